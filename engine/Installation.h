#pragma once

#include "InstallerProcess.h"
#include "ZipExtraction.h"

namespace CorvoAudio
{
    /** The install procedure: extracts every object of the manifest copy from the payload into its
        folder, unpacks the bundles, runs post-install commands, and records what the uninstaller
        needs (script, registration, Start-menu link). */
    class Installation final : public InstallerProcess
    {
    public:
        explicit Installation (Quor::CorvoApp& owner);
        ~Installation() override;

        void run() override;

        /** Writes the uninstall script for this product. */
        juce::Result writeUninstallScript (const juce::File& script, const juce::StringArray& paths, const juce::String& key);

    private:
        /** Unpacks one object into its destination, replacing the installed version whole. */
        juce::Result installObject (const CheckedZipArchive& archive, int entryIndex, const ManifestObject& object,
                                    const juce::File& targetFolder, const juce::String& productId);
    };
}
