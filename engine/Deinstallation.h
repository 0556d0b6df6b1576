#pragma once

#include "InstallerProcess.h"
#include "UninstallRegistry.h"

namespace CorvoAudio
{
    /** The uninstall procedure: removes what the registration and the manifest say was installed,
        honouring the uninstall options, then the registration, and starts the script that deletes
        the uninstaller once it has exited. Shared folders and other vendors' files stay. */
    class Deinstallation final : public InstallerProcess
    {
    public:
        explicit Deinstallation (Quor::CorvoApp& owner);
        ~Deinstallation() override;

        void run() override;

    private:
        void removeStartMenuLinks (const std::vector<ManifestObject>& removed, const UninstallEntry& entry);
        void removeRegisteredUninstaller (const UninstallEntry& entry, const juce::File& executable);

        /** Deletes a path; on failure records an error that names what holds it. */
        bool removeOrReport (const juce::File& path);

        /** Removes the install location, or only this product's files in it; true when the folder
            is left for the self-deletion script to remove with the uninstaller. */
        bool removeInstallLocation (const UninstallEntry& entry, const juce::File& executable);
    };
}
