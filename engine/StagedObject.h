#pragma once

#include "ZipExtraction.h"

#include <juce_core/juce_core.h>

namespace CorvoAudio
{
    /** The file operations of a swap, so that a test can make any of them fail. */
    struct SwapSteps
    {
        virtual ~SwapSteps() = default;

        /** A file at or below path that another program holds open, or a default File. */
        virtual juce::File fileInUse (const juce::File& path);
        virtual juce::Result move (const juce::File& from, const juce::File& to);
        virtual bool remove (const juce::File& path);
    };

    /** Puts staged (a file or folder) at target in place of what is there: the old one is first
        moved aside into asideFolder, the new one moved into place, and only then is the old one
        deleted. When a step fails the old one is put back where it was. A file of the old one that
        another program holds open stops the swap before anything moves. */
    juce::Result swapIntoPlace (const juce::File& staged, const juce::File& target, const juce::File& asideFolder,
                                SwapSteps& steps);

    /** A private folder beside an object's destination (so on its volume), in which the object is
        unpacked before it replaces the installed one. Removed with everything in it when this goes;
        a folder left by a killed run is removed by the next run for the same product. */
    class StagingFolder final
    {
    public:
        StagingFolder (const juce::File& destination, const juce::String& productId);
        ~StagingFolder();

        juce::Result create();
        const juce::File& getFolder() const   { return folder; }

        /** Removes the staging folders an earlier run of this product left in destination. */
        static void removeLeftovers (const juce::File& destination, const juce::String& productId);

    private:
        static juce::String prefixFor (const juce::String& productId);

        juce::File folder;
        bool created = false;
    };

    /** Unpacks an object from the payload into the staging folder: the entry itself, and for an
        inner archive ("<name>.zip") its content, which must lie within the one top-level folder
        <name>. Returns the staged file or folder through staged; innerFailed tells that the entry
        itself was extracted and its inner archive failed. */
    juce::Result stageObject (const CheckedZipArchive& payload, int entryIndex, const juce::String& installedName,
                              const juce::File& stagingFolder, juce::File& staged, bool& innerFailed);
}
