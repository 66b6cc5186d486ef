#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

namespace ormalix::test
{
// Fields of a binary file (a WAV header, say) read back for checking.
inline uint32_t le32 (const juce::MemoryBlock& b, size_t at)
{
    auto* p = static_cast<const uint8_t*> (b.getData()) + at;
    return (uint32_t) p[0] | ((uint32_t) p[1] << 8) | ((uint32_t) p[2] << 16) | ((uint32_t) p[3] << 24);
}

inline uint16_t le16 (const juce::MemoryBlock& b, size_t at)
{
    auto* p = static_cast<const uint8_t*> (b.getData()) + at;
    return (uint16_t) (p[0] | (p[1] << 8));
}

inline juce::String fourCC (const juce::MemoryBlock& b, size_t at)
{
    return juce::String (static_cast<const char*> (b.getData()) + at, 4);
}
} // namespace ormalix::test
