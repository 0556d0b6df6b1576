#pragma once

#include "AppProperties.h"
#include "FilesInUse.h"
#include "ManifestProperties.h"
#include "MoveJournal.h"
#include "RuntimeProperties.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <vector>

namespace Quor { class CorvoApp; }

namespace CorvoAudio
{
    /** The exit code of a run that finished but waits for Windows to restart to remove what was
        in use: the code that deployment tools read as "restart needed". */
    constexpr int restartExitCode = 3010;

    /** The system's answers about files and the file operations of a procedure, which a test may
        replace; each one left empty is the real one. */
    struct EngineSeams
    {
        FileUseProbe* probe = nullptr;
        FileSteps* steps = nullptr;
    };

    /** One run of an engine procedure on its own worker thread. The procedure reports through log
        lines and an error list; the end report switches the wizard to the result page or ends a
        headless run with exit code 0, 9 or 3010. The worker never touches a tree: what it needs is
        read on the message thread before it starts, and everything it reports is posted there. */
    class InstallerProcess : public juce::Thread
    {
    public:
        InstallerProcess (Quor::CorvoApp& owner, EngineSeams seams);
        ~InstallerProcess() override;

        /** Hands one line to the wizard's log and to standard output. Callable from any thread. */
        void log (const juce::String& line);

        /** Posts the end-of-run report; the procedure's last action. */
        void endInstallerProcess();

        /** Called on the message thread when a wizard run found files in use and changed nothing,
            so that the wizard can ask the user to close the programs. Without it, and in a headless
            run, the run ends with those files as its errors. */
        std::function<void (const std::vector<FileInUse>&)> onFilesInUse;

    protected:
        /** Derived classes call this last in their constructor, so that run() never meets a half-built object. */
        void startWorker();

        /** Derived classes call this first in their destructor, so that run() never outlives their members. */
        void stopWorker();

        void writeErrorsToRuntimeProperties();

        /** Looks for files at or below paths that another program holds (the running executable
            aside). When there are some, reports each one and ends the run: true. */
        bool stopForFilesInUse (const juce::Array<juce::File>& paths);

        /** Something waits for Windows to restart: the run says so and ends with exit code 3010. */
        void requireRestart (const juce::String& notice);

        Quor::CorvoApp& owner;
        RuntimeProperties runtimeProperties;
        AppProperties appProperties;
        ManifestProperties manifest { false };   // read on the message thread only
        juce::StringArray errors;
        FileUseProbe& probe;
        FileSteps& steps;

    private:
        void deliver (const juce::String& line);
        void reportEnd();

        FileUseProbe realProbe;
        FileSteps realSteps;
        juce::String restartNotice;

        JUCE_DECLARE_WEAK_REFERENCEABLE (InstallerProcess)
    };

    /** Replaces "C:/__userAppDataDir__" and "C:/__commonAppDataDir__" with the per-user and the
        all-users application data folders, written with forward slashes. */
    void resolvePathPlaceholders (juce::String& path);
}
