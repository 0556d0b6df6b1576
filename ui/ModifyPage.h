#pragma once

#include "InstallButton.h"
#include "Page.h"

namespace Installer
{
    /** The first page in modify mode: REPAIR continues as an install, UNINSTALL as an uninstall,
        each on its own welcome page. It starts nothing itself. */
    class ModifyPage final : public Page
    {
    public:
        explicit ModifyPage (Quor::CorvoApp& app);

        void paint (juce::Graphics& g) override;
        void resized() override;

        InstallButton repairButton, uninstallButton;

    private:
        void continueAs (OperationMode mode);

        juce::Rectangle<float> promptArea;
    };
}
