#pragma once

#include "InstallButton.h"
#include "LogText.h"
#include "Page.h"

#include <memory>

namespace Installer
{
    /** The last page: "Done!" with a check mark (and the restart that finishes the work, when one
        is needed), or the error icon with the errors; "Close" ends the application. */
    class ResultPage : public Page
    {
    public:
        explicit ResultPage (Quor::CorvoApp& app);

        void paint (juce::Graphics& g) override;
        void resized() override;

        std::unique_ptr<juce::Drawable> resultIcon;
        std::unique_ptr<LogText> errorLog;
        InstallButton closeButton;
        bool succeeded = true;
        juce::String restartNotice;   // what waits for Windows to restart, shown below "Done!"

    private:
        juce::Rectangle<float> doneTextArea, iconArea, noticeArea;
    };
}

namespace Uninstaller
{
    class ResultPage final : public Installer::ResultPage
    {
    public:
        using Installer::ResultPage::ResultPage;
    };
}
