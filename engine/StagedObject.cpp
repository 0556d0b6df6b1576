#include "StagedObject.h"
#include "Platform.h"

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

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

    juce::Result extractAll (const CheckedZipArchive& archive, const juce::File& folder)
    {
        const auto count = archive.getNumEntries();

        // A bundle of many files is written on every core (up to four): each entry has a stream
        // of its own, and each file is written and checked on its own. The first entry that fails,
        // in the archive's order, is the error.
        const auto threads = juce::jlimit (1, 4, juce::jmin (juce::SystemStats::getNumCpus(), count / 8));

        if (threads == 1)
        {
            for (int i = 0; i < count; ++i)
                if (const auto result = archive.extractEntry (i, folder); result.failed())
                    return result;

            return juce::Result::ok();
        }

        std::vector<std::optional<juce::Result>> results ((size_t) count);
        std::atomic<int> next { 0 };
        std::atomic<bool> failed { false };

        const auto work = [&]
        {
            for (auto i = next++; i < count && ! failed; i = next++)
            {
                results[(size_t) i] = archive.extractEntry (i, folder);
                failed = failed || results[(size_t) i]->failed();
            }
        };

        std::vector<std::thread> helpers;

        for (int t = 1; t < threads; ++t)
            helpers.emplace_back (work);

        work();

        for (auto& helper : helpers)
            helper.join();

        for (const auto& result : results)
            if (result.has_value() && result->failed())
                return *result;

        return juce::Result::ok();
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
        CheckedZipArchive::SourceOpener innerBytes;

        if (const auto result = payload.openEntry (entryIndex, stagingFolder, innerBytes); result.failed())
            return result;

        staged = stagingFolder.getChildFile (installedName);
        innerFailed = true;
        const CheckedZipArchive inner (innerBytes);

        // An archive without entries is the 22 bytes of its end record; anything longer that
        // yields no entries is damaged.
        if (inner.getNumEntries() == 0 && innerBytes()->getTotalLength() != 22)
            return juce::Result::fail ("The archive " + entryName + " cannot be read.");

        for (int i = 0; i < inner.getNumEntries(); ++i)
            if (! topLevelNameOf (inner.getEntryName (i)).equalsIgnoreCase (installedName))
                return juce::Result::fail ("Refusing archive entry \"" + inner.getEntryName (i) + "\" of "
                                           + entryName + ": it lies outside " + installedName);

        if (const auto result = extractAll (inner, stagingFolder); result.failed())
            return result;

        innerFailed = false;
        return platform::createFolders (staged);
    }
}
