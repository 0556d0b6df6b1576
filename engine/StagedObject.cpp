#include "StagedObject.h"
#include "Platform.h"

namespace CorvoAudio
{
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

        // An inner archive: the bundle folder it holds is what is installed. It is read where it
        // lies in the payload when stored there, so memory does not grow with the bundle.
        std::unique_ptr<juce::InputStream> innerStream;

        if (const auto result = payload.openEntry (entryIndex, stagingFolder, innerStream); result.failed())
            return result;

        staged = stagingFolder.getChildFile (installedName);
        innerFailed = true;
        const CheckedZipArchive inner (*innerStream);

        // An archive without entries is the 22 bytes of its end record; anything longer that
        // yields no entries is damaged.
        if (inner.getNumEntries() == 0 && innerStream->getTotalLength() != 22)
            return juce::Result::fail ("The archive " + entryName + " cannot be read.");

        for (int i = 0; i < inner.getNumEntries(); ++i)
            if (! topLevelNameOf (inner.getEntryName (i)).equalsIgnoreCase (installedName))
                return juce::Result::fail ("Refusing archive entry \"" + inner.getEntryName (i) + "\" of "
                                           + entryName + ": it lies outside " + installedName);

        for (int i = 0; i < inner.getNumEntries(); ++i)
            if (const auto result = inner.extractEntry (i, stagingFolder); result.failed())
                return result;

        innerFailed = false;
        return platform::createFolders (staged);
    }
}
