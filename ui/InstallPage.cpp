#include "InstallPage.h"

namespace Installer
{
    InstallPage::InstallPage (Quor::CorvoApp& application)
        : Page (application, AppProperties::install)
    {
        addAndMakeVisible (logText);

        // The engine clears the line before each new one, so each line arrives once as an empty
        // text and once as itself.
        runtimeProperties.onLastLogMessageChanged = [this] (const juce::String& line)
        {
            if (line.isNotEmpty())
                logText.addLine (line);
        };

        if (const auto line = runtimeProperties.getLastLogMessage(); line.isNotEmpty())
            logText.addLine (line);

        addAndMakeVisible (waitingOverlay);

        if (app.getCompanyName() != "Corvo Audio")
            waitingOverlay.centreImage.reset();
    }

    void InstallPage::resized()
    {
        Page::resized();

        const auto w = getWidth();
        logText.setBounds (55, 280, w - 110, 329);
        waitingOverlay.setBounds (w / 2 - 45, 175, 91, 91);
        waitingOverlay.show ({}, false);
    }
}
