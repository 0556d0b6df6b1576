#pragma once

#include "CheckmarkWithText.h"
#include "ClickableLicenseDisclaimer.h"
#include "InstallButton.h"
#include "ManifestObject.h"
#include "Page.h"
#include "SelectPathButton.h"

#include <memory>
#include <vector>

namespace Installer
{
    /** The first page of an install: the components with their folders, the OpenGL option where
        the product offers it, the licence and "I agree", and the action button. */
    class WelcomePage : public Page
    {
    public:
        explicit WelcomePage (Quor::CorvoApp& app);
        ~WelcomePage() override;

        /** Writes the user's choices into the working manifest that the engine reads. */
        virtual void applySelection();

        /** Takes a folder the user chose for row i. A folder of the system, a shared folder or a
            path that is not local and absolute is refused: the row keeps its folder and the
            reason is returned. */
        juce::String takeChosenFolder (int row, const juce::File& folder);

        /** Writes the licence beside the state file and opens it. */
        void openLicenseTerms();

        /** The OpenGL flag file of the product, or none without a roaming folder. */
        static juce::File openGLFlagFile (const juce::String& companyName, const juce::String& appName);

        void paint (juce::Graphics& g) override;
        void resized() override;

        juce::OwnedArray<CheckmarkWithText> componentCheckboxes;
        juce::OwnedArray<SelectPathButton> pathButtons;
        std::unique_ptr<ClickableLicenseDisclaimer> licenseDisclaimer;
        CheckmarkWithText agreeCheckbox { "I agree" };
        std::unique_ptr<CheckmarkWithText> openGLCheckbox;
        InstallButton installButton;
        std::vector<ManifestObject> visibleObjects;
        juce::StringArray installPaths;

    protected:
        /** What a page built on this one is for: an uninstall shows no OpenGL option and writes
            no flag. */
        enum class Purpose { install, uninstall };

        WelcomePage (Quor::CorvoApp& app, Purpose purpose);

        void install();

    private:
        void initUiElements (Purpose purpose);

        /** INSTALL needs "I agree" and something to install; its description says what is missing. */
        void updateInstallButton();
        void chooseFolder (int row);

        std::unique_ptr<juce::FileChooser> fileChooser;
        juce::Rectangle<float> welcomeTextArea;

        JUCE_DECLARE_WEAK_REFERENCEABLE (WelcomePage)
    };
}
