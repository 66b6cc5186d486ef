#include "view/HeadModelText.h"

#include <BinaryData.h>

juce::String getHeadModelText()
{
    juce::MemoryInputStream stream (BinaryData::HeadModel_obj, (size_t) BinaryData::HeadModel_objSize, false);
    return stream.readEntireStreamAsString();
}
