#pragma once

#include "InstallerProcess.h"
#include "MoveJournal.h"
#include "UninstallPlan.h"
#include "UninstallRegistry.h"
#include "WorkFolders.h"

#include <optional>

namespace CorvoAudio
{
    /** The uninstall procedure: removes what the registration and the manifest say was installed,
        honouring the uninstall options, then the registration, and starts the script that deletes
        the uninstaller once it has exited. Shared folders and other vendors' files stay. What it
        removes goes whole or not at all: nothing is touched while a file of it is in use, and
        everything is first moved into the installer's own folders, from where a file that a
        program has taken hold of meanwhile is deleted when Windows restarts. */
    class Deinstallation final : public InstallerProcess
    {
    public:
        explicit Deinstallation (Quor::CorvoApp& owner, EngineSeams seams = {});
        ~Deinstallation() override;

        void run() override;

    private:
        /** Moves a path out of the way into the work folder; on failure, puts back everything this
            run moved, records an error that names what holds the path and returns false. */
        bool moveAside (const juce::File& path, WorkFolders& work, MoveJournal& journal, juce::Array<juce::File>& aside);

        void removeStartMenuLinks (const std::vector<ManifestObject>& removed, const UninstallEntry& entry);

        /** The registered uninstaller, when this run removes it: it lies where this product puts
            one, outside the install location, and is not the running program. */
        juce::File registeredUninstallerToRemove (const UninstallEntry& entry, const juce::File& executable);

        /** Removes the install location once only the running uninstaller may be left in it; true
            when the folder is left for the self-deletion script to remove with the uninstaller. */
        bool removeInstallLocation (const UninstallEntry& entry, const juce::File& executable);

        /** Removes the folders the installations made once they are empty, the deepest first;
            returns those that hold the running uninstaller, for the self-deletion script. */
        juce::Array<juce::File> removeCreatedFolders (const UninstallEntry& entry, const juce::File& executable);

        // Read on the message thread when the procedure is made.
        const std::vector<ManifestObject> objects;
        const std::optional<juce::String> selection;
        const juce::String appName, appUuid;
    };
}
