#pragma once

namespace ormalix::test
{
// Counts the C++ heap allocations made by the calling thread while a scope is alive (the test
// runner's global operator new is replaced to make this possible).
class CountAllocations
{
public:
    CountAllocations();
    ~CountAllocations();

    long count() const;

private:
    long start;
};
} // namespace ormalix::test
