#pragma once

#include "AppProperties.h"
#include "ManifestProperties.h"
#include "RuntimeProperties.h"

#include <juce_events/juce_events.h>

namespace Quor { class CorvoApp; }

namespace CorvoAudio
{
    /** One run of an engine procedure on its own worker thread. The procedure reports through log
        lines and an error list; the end report switches the wizard to the result page or ends a
        headless run with exit code 0 or 9. The worker never touches a tree: everything it reports
        is posted to the message thread. */
    class InstallerProcess : public juce::Thread
    {
    public:
        explicit InstallerProcess (Quor::CorvoApp& owner);
        ~InstallerProcess() override;

        /** Hands one line to the wizard's log and to standard output. Callable from any thread. */
        void log (const juce::String& line);

        /** Posts the end-of-run report; the procedure's last action. */
        void endInstallerProcess();

    protected:
        /** Derived classes call this last in their constructor, so that run() never meets a half-built object. */
        void startWorker();

        /** Derived classes call this first in their destructor, so that run() never outlives their members. */
        void stopWorker();

        void writeErrorsToRuntimeProperties();

        /** The manifest copy's objects, waiting up to 200 × 50 ms for the copy to fill. */
        std::vector<ManifestObject> waitForManifestObjects();

        Quor::CorvoApp& owner;
        RuntimeProperties runtimeProperties;
        AppProperties appProperties;
        ManifestProperties manifest { false };
        juce::StringArray errors;

    private:
        void deliver (const juce::String& line);
        void reportEnd();

        JUCE_DECLARE_WEAK_REFERENCEABLE (InstallerProcess)
    };

    /** Replaces "C:/__userAppDataDir__" and "C:/__commonAppDataDir__" with the per-user and the
        all-users application data folders, written with forward slashes. */
    void resolvePathPlaceholders (juce::String& path);
}
