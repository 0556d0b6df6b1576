#pragma once

#include <juce_graphics/juce_graphics.h>

/** The four Roboto faces embedded in the program, each made once on first use. Copy the font
    and set the height you need. */
const juce::Font& robotoBold();
const juce::Font& robotoLight();
const juce::Font& robotoMedium();
const juce::Font& robotoRegular();
