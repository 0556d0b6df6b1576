#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

// One JUCE initialiser for the whole run, so that the message loop, timers and posted calls work.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
