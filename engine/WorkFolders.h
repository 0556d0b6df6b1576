#pragma once

#include "MoveJournal.h"
#include "Platform.h"

#include <juce_core/juce_core.h>

#include <map>
#include <memory>

namespace CorvoAudio
{
    /** The installer's own folders, one per volume a run writes to. A new version is unpacked
        there and an old one is put there before it is deleted: away from every folder a plug-in
        host scans, under names no host loads, and on the volume of the path it replaces, so that
        each of those moves is one rename. Each is made afresh for the run, below ProgramData on
        its volume and at the root of any other, where only administrators and the system may use
        it. */
    class WorkFolders final
    {
    public:
        WorkFolders (const juce::String& productId, FileSteps& steps);
        ~WorkFolders();

        /** A new, empty folder of this run in which to unpack what will be installed as installed. */
        juce::Result newFolderFor (const juce::File& installed, juce::File& folder);

        /** A name in this run's folder for path to be put aside under. */
        juce::Result asidePathFor (const juce::File& path, juce::File& aside);

        /** Deletes what was put aside. What cannot be deleted now (a module that a host has
            loaded) is deleted when Windows next starts: those paths are returned. */
        juce::Array<juce::File> dispose (const juce::File& aside);

        /** True when something this run put aside waits for Windows to restart. */
        bool restartNeeded() const     { return ! waitingForRestart.isEmpty(); }

        /** Leaves this run's folders as they are: they hold something that could not be put back. */
        void keep()                    { kept = true; }

        /** This run's folders. */
        juce::StringArray getFolders() const;

        /** Removes this run's folders, except what waits for the restart or was kept. Called by
            the destructor too; a run calls it before its end report, so that the process never
            ends in the middle of it. */
        void close();

        /** Where the run folders of a volume go: ProgramData on its volume, the root of any other. */
        static juce::File placeOn (const juce::File& volume);

        /** Removes what killed runs of this product left: their folders on the volumes of the given
            paths (not those of a run still going, in another session), and the staging folders
            that earlier versions kept beside a destination. */
        static void removeLeftovers (const juce::String& productId, const juce::Array<juce::File>& destinations);

    private:
        struct RunFolder
        {
            juce::File folder;
            std::unique_ptr<platform::LifetimeMarker> marker;
        };

        juce::Result runFolderFor (const juce::File& path, juce::File& folder);

        juce::String productId;
        FileSteps& files;
        std::map<juce::String, RunFolder> runFolders;   // by volume
        juce::Array<juce::File> waitingForRestart;
        bool kept = false;
        int counter = 0;
    };
}
