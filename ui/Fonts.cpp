#include "Fonts.h"
#include "FontData.h"

namespace
{
    juce::Font embeddedFont (const char* identifier)
    {
        int size = 0;
        const auto* data = FontData::getNamedResource (identifier, size);
        jassert (data != nullptr);

        // Loaded from the program's own bytes: never a font installed on the system.
        return juce::Font (juce::Typeface::createSystemTypefaceFor (data, (size_t) size)).withExtraKerningFactor (0.01f);
    }
}

const juce::Font& robotoBold()      { static const auto font = embeddedFont ("RobotoBold_ttf");     return font; }
const juce::Font& robotoLight()     { static const auto font = embeddedFont ("RobotoLight_ttf");    return font; }
const juce::Font& robotoMedium()    { static const auto font = embeddedFont ("RobotoMedium_ttf");   return font; }
const juce::Font& robotoRegular()   { static const auto font = embeddedFont ("RobotoRegular_ttf");  return font; }
