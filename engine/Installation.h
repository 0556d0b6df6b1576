#pragma once

#include "InstallPlan.h"
#include "InstallerProcess.h"
#include "WorkFolders.h"
#include "ZipExtraction.h"

namespace CorvoAudio
{
    /** The install procedure. It is planned when it is made, from the manifest copy (the embedded
        manifest with the user's choices); its worker then checks that nothing it replaces is in
        use, unpacks every object into the installer's own folders, puts them all in place at once
        (or none, should one be refused), runs post-install commands and records what the
        uninstaller needs (script, registration, Start-menu link). */
    class Installation final : public InstallerProcess
    {
    public:
        explicit Installation (Quor::CorvoApp& owner, EngineSeams seams = {});
        ~Installation() override;

        void run() override;

        const InstallPlan& getPlan() const     { return plan; }

    private:
        struct Staged
        {
            const PlannedObject* planned;
            juce::File staged;
        };

        /** Unpacks one object into a folder of its own in the installer's work folder. */
        juce::Result stage (const CheckedZipArchive& archive, int entryIndex, const PlannedObject& planned,
                            WorkFolders& work, juce::File& staged);

        /** Moves every staged object into place and the versions it replaces aside, then deletes
            those; if any move fails, everything is put back as it was. */
        bool putInPlace (const std::vector<Staged>& staged, WorkFolders& work, juce::Array<juce::File>& createdFolders);

        const InstallPlan plan;
    };
}
