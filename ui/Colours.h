#pragma once

#include <juce_graphics/juce_graphics.h>

/** The colours the widgets share. */
namespace widgetColours
{
    inline const juce::Colour accent { 0xff0b53f6 };
    inline const juce::Colour text { 0xfffdfefe };
    inline const juce::Colour disabledMark { 0xffd3d3d3 };

    /** The ring around the control that has the keyboard focus. */
    inline const juce::Colour focusRing { 0xccfdfefe };
}
