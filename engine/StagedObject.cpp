#include "StagedObject.h"
#include "Platform.h"

namespace CorvoAudio
{
    juce::File SwapSteps::fileInUse (const juce::File& path)                      { return platform::findFileInUse (path); }
    juce::Result SwapSteps::move (const juce::File& from, const juce::File& to)  { return platform::movePath (from, to); }
    bool SwapSteps::remove (const juce::File& path)                              { return platform::deletePath (path); }

    namespace
    {
        juce::String inUseMessage (const juce::File& file)
        {
            const auto programs = platform::programsUsing (file);
            return "The file " + file.getFullPathName() + " is in use"
                   + (programs.isEmpty() ? juce::String() : " by " + programs.joinIntoString (", "))
                   + ". Close the program that uses it and run the installer again.";
        }
    }

    juce::Result swapIntoPlace (const juce::File& staged, const juce::File& target, const juce::File& asideFolder,
                                SwapSteps& steps)
    {
        const auto hadOld = target.exists() || platform::getFileAttributes (target).exists;
        const auto aside = asideFolder.getChildFile ("previous");

        if (hadOld)
        {
            if (const auto inUse = steps.fileInUse (target); inUse != juce::File())
                return juce::Result::fail (inUseMessage (inUse));

            if (const auto moved = steps.move (target, aside); moved.failed())
                return moved;
        }

        if (const auto placed = steps.move (staged, target); placed.failed())
        {
            if (hadOld)
                if (const auto back = steps.move (aside, target); back.failed())
                    return juce::Result::fail (placed.getErrorMessage() + "; the previous version could not be put back: "
                                               + back.getErrorMessage());

            return placed;
        }

        if (hadOld && ! steps.remove (aside))
            return juce::Result::fail ("The new version is in place, but the previous one could not be removed completely from "
                                       + aside.getFullPathName());

        return juce::Result::ok();
    }

    //==============================================================================
    juce::String StagingFolder::prefixFor (const juce::String& productId)
    {
        return ".installing-" + productId + "-";
    }

    StagingFolder::StagingFolder (const juce::File& destination, const juce::String& productId)
        : folder (destination.getChildFile (prefixFor (productId) + juce::Uuid().toString().substring (0, 12)))
    {
    }

    StagingFolder::~StagingFolder()
    {
        if (created)
            platform::deletePath (folder);
    }

    juce::Result StagingFolder::create()
    {
        const auto result = folder.createDirectory();

        if (result.failed())
            return juce::Result::fail ("Failed to create folder " + folder.getFullPathName() + ": " + result.getErrorMessage());

        created = true;
        platform::addFileAttributes (folder, true, false);
        return result;
    }

    void StagingFolder::removeLeftovers (const juce::File& destination, const juce::String& productId)
    {
        if (! destination.isDirectory())
            return;

        for (const auto& child : destination.findChildFiles (juce::File::findDirectories, false, prefixFor (productId) + "*",
                                                             juce::File::FollowSymlinks::no))
            platform::deletePath (child);
    }

    //==============================================================================
    namespace
    {
        juce::String topLevelNameOf (const juce::String& entryName)
        {
            auto name = entryName.replaceCharacter ('\\', '/');

            while (name.startsWith ("./"))
                name = name.substring (2);

            return name.upToFirstOccurrenceOf ("/", false, false);
        }
    }

    juce::Result stageObject (const CheckedZipArchive& payload, int entryIndex, const juce::String& installedName,
                              const juce::File& stagingFolder, juce::File& staged, bool& innerFailed)
    {
        innerFailed = false;
        const auto entryName = payload.getEntryName (entryIndex);

        if (juce::File::createFileWithoutCheckingPath (entryName.replaceCharacter ('/', '\\')).getFileName() == installedName)
        {
            if (const auto result = payload.extractEntry (entryIndex, stagingFolder); result.failed())
                return result;

            staged = stagingFolder.getChildFile (entryName);
            return juce::Result::ok();
        }

        // An inner archive: the bundle folder it holds is what is installed. It is opened where it
        // was unpacked, in memory.
        juce::MemoryBlock innerBytes;

        if (const auto result = payload.readEntry (entryIndex, innerBytes); result.failed())
            return result;

        staged = stagingFolder.getChildFile (installedName);
        innerFailed = true;
        juce::MemoryInputStream innerStream (innerBytes, false);
        const CheckedZipArchive inner (innerStream);

        // An archive without entries is the 22 bytes of its end record; anything longer that
        // yields no entries is damaged.
        if (inner.getNumEntries() == 0 && innerBytes.getSize() != 22)
            return juce::Result::fail ("The archive " + entryName + " cannot be read.");

        for (int i = 0; i < inner.getNumEntries(); ++i)
            if (! topLevelNameOf (inner.getEntryName (i)).equalsIgnoreCase (installedName))
                return juce::Result::fail ("Refusing archive entry \"" + inner.getEntryName (i) + "\" of "
                                           + entryName + ": it lies outside " + installedName);

        for (int i = 0; i < inner.getNumEntries(); ++i)
            if (const auto result = inner.extractEntry (i, stagingFolder); result.failed())
                return result;

        innerFailed = false;
        return staged.isDirectory() ? juce::Result::ok() : staged.createDirectory();
    }
}
