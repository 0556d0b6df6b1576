#pragma once

#include "LogText.h"
#include "Page.h"
#include "WaitingOverlay.h"

namespace Installer
{
    /** Shown while the engine runs: the spinner, and the engine's log lines as they arrive. */
    class InstallPage : public Page
    {
    public:
        explicit InstallPage (Quor::CorvoApp& app);

        void resized() override;

        LogText logText;
        Quor::WaitingOverlay waitingOverlay;
    };
}

namespace Uninstaller
{
    class InstallPage final : public Installer::InstallPage
    {
    public:
        using Installer::InstallPage::InstallPage;
    };
}
