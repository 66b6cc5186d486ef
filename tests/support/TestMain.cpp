#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include "support/TempHome.h"

namespace
{
// Every test gets a fresh HOME, so the documents folder is never the user's own.
class FreshHomeListener : public ::testing::EmptyTestEventListener
{
public:
    void OnTestStart (const ::testing::TestInfo&) override { home = std::make_unique<ormalix::test::TempHome>(); }
    void OnTestEnd (const ::testing::TestInfo&) override { home.reset(); }

private:
    std::unique_ptr<ormalix::test::TempHome> home;
};
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append (new FreshHomeListener);

    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
