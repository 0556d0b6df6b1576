#include "CorvoMainWindow.h"

namespace Quor
{
    CorvoMainWindow::CorvoMainWindow (juce::JUCEApplication& application, const juce::String& name, juce::Component* content,
                                      juce::ValueTree runtime, juce::ValueTree persistent, bool,
                                      juce::Point<int> windowSize, juce::ComponentBoundsConstrainer* constrainer)
        : juce::DocumentWindow (name, juce::Colours::black, juce::DocumentWindow::closeButton),
          app (application), runtimeTree (runtime), persistentTree (persistent)
    {
        setUsingNativeTitleBar (true);
        setContentOwned (content, false);
        setConstrainer (constrainer);
        centreWithSize (windowSize.x, windowSize.y);
        setVisible (true);
    }

    void CorvoMainWindow::closeButtonPressed()
    {
        app.systemRequestedQuit();
    }
}
