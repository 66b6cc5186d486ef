#include "OrmalixApplication.h"

START_JUCE_APPLICATION (OrmalixApplication)
