#pragma once

#include <juce_core/juce_core.h>

#include <vector>

namespace CorvoAudio
{
    /** The file operations of a replacement, so that a test can make any of them fail. */
    struct FileSteps
    {
        virtual ~FileSteps() = default;

        /** Renames a file or folder on its volume; fails when the target exists. A hold that looks
            like a virus scanner's is waited out for a moment. */
        virtual juce::Result move (const juce::File& from, const juce::File& to);

        /** Creates one folder whose parent exists. */
        virtual juce::Result createFolder (const juce::File& folder);

        /** Removes a folder that is empty; false when it is not, or cannot go. */
        virtual bool removeEmptyFolder (const juce::File& folder);

        /** Deletes a file or a folder with everything in it; true when nothing is left. */
        virtual bool remove (const juce::File& path);

        /** Has Windows delete a file, or an emptied folder, when it next starts. */
        virtual bool removeAtRestart (const juce::File& path);

        /** Creates a folder that only administrators and the system may use, it and everything
            made in it; false when it exists already or cannot be made so. */
        virtual bool createPrivateFolder (const juce::File& folder);

        /** Gives a path moved into place the rights its folder passes on, below it too. */
        virtual bool takeRightsOfFolder (const juce::File& path);
    };

    /** Renames and new folders, recorded so that they can be undone: a replacement either
        completes or leaves every path as it found it. */
    class MoveJournal final
    {
    public:
        explicit MoveJournal (FileSteps& fileSteps) : files (fileSteps) {}

        /** Moves a file or folder to a path that does not exist yet, on the same volume. A folder
            that Windows will not rename whole (while a file in it is open) is moved entry by entry.
            When a step fails, what this call did is undone and the result says why. */
        juce::Result move (const juce::File& from, const juce::File& to);

        /** Creates a folder with the missing folders above it, adding each one made to created. */
        juce::Result createFolders (const juce::File& folder, juce::Array<juce::File>& created);

        /** Undoes every step, the last first; names the steps that could not be undone. */
        juce::StringArray undo();

        /** Keeps what was done: nothing is undone any more. */
        void commit()   { steps.clear(); }

    private:
        struct Step
        {
            enum class Kind { moved, createdFolder, removedFolder };

            Kind kind;
            juce::File from, to;
        };

        juce::Result moveOrSplit (const juce::File& from, const juce::File& to);
        juce::Result moveBack (const juce::File& from, const juce::File& to);
        juce::StringArray undoTo (size_t mark);

        FileSteps& files;
        std::vector<Step> steps;
    };
}
