#pragma once

#include "MoveJournal.h"

#include <juce_core/juce_core.h>

#include <map>

namespace CorvoAudio
{
    /** The installer's own folders on the volumes a run writes to. A new version is unpacked there
        and an old one is put there before it is deleted: away from every folder a plug-in host
        scans, under names no host loads, and on the volume of the path it replaces, so that each
        of those moves is one rename. Only administrators and the system may change them. */
    class WorkFolders final
    {
    public:
        WorkFolders (const juce::String& productId, FileSteps& steps);

        /** Removes this run's folders, except what waits for Windows to restart. */
        ~WorkFolders();

        /** A new, empty folder of this run on the volume of near. */
        juce::Result newFolderNear (const juce::File& near, juce::File& folder);

        /** A name in this run's folder on the volume of near, for something to be put aside. */
        juce::Result asidePathNear (const juce::File& near, juce::File& path);

        /** Deletes what was put aside. What cannot be deleted now (a module that a host has
            loaded) is deleted when Windows next starts: those paths are returned. */
        juce::Array<juce::File> dispose (const juce::File& aside);

        /** True when something this run put aside waits for Windows to restart. */
        bool restartNeeded() const     { return ! waitingForRestart.isEmpty(); }

        /** Where the installer keeps its folders on a volume: below ProgramData on its volume,
            at the root of any other. */
        static juce::File rootOn (const juce::File& volume);

        /** Removes what killed runs of this product left: their folders, on the volumes of the
            given paths, and the staging folders that earlier versions kept beside a destination. */
        static void removeLeftovers (const juce::String& productId, const juce::Array<juce::File>& destinations);

    private:
        juce::Result runFolderOn (const juce::File& near, juce::File& folder);

        juce::String productId;
        FileSteps& files;
        std::map<juce::String, juce::File> runFolders;   // by volume
        juce::Array<juce::File> waitingForRestart;
        int counter = 0;
    };
}
