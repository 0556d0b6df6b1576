#pragma once

#include "UninstallList.h"
#include "UninstallPlan.h"
#include "WelcomePage.h"

namespace Uninstaller
{
    /** The first page of an uninstall: what will be removed, path by path, the product's
        uninstall options (an option that a ticked one requires is ticked and locked), and
        UNINSTALL. Built on the installer's welcome page, whose own controls it hides. */
    class WelcomePage final : public Installer::WelcomePage
    {
    public:
        explicit WelcomePage (Quor::CorvoApp& app);

        /** The ids of the ticked options, in list order. */
        juce::StringArray getSelectedUninstallOptions() const;

        void applySelection() override;
        void paint (juce::Graphics& g) override;
        void resized() override;

        std::vector<CorvoAudio::UninstallOption> uninstallOptions;
        juce::OwnedArray<CheckmarkWithText> optionCheckboxes;
        juce::StringArray uninstallPaths;

        /** The paths the ticked options add to the uninstall, listed under the others. */
        juce::StringArray optionPaths;

        /** What the uninstall will leave with the options as they are ticked, each with its reason:
            the engine's own decision over the disk as it is now. */
        std::vector<CorvoAudio::KeptPath> keptPaths;

        /** Shows the paths, what stays and the options again, after any of them changed. */
        void refreshList();

        /** The rows in their scrolling view between the heading and UNINSTALL. */
        juce::Viewport listView;
        UninstallList list;

    private:
        void layOutList();
        void initUninstallOptionsUi();
        void updateOptionStates();
        void updatePlan();

        CorvoAudio::UninstallEntry registration;   // read once, for the paths and what stays
    };
}
