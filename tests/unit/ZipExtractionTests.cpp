#include "StagedObject.h"
#include "ZipExtraction.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using CorvoAudio::CheckedZipArchive;

namespace
{
    struct EntrySource
    {
        juce::String storedName;
        juce::MemoryBlock content;
        int compression = 9;
    };

    juce::MemoryBlock textBlock (const char* text)
    {
        return { text, strlen (text) };
    }

    juce::MemoryBlock buildArchive (const std::vector<EntrySource>& entries)
    {
        juce::ZipFile::Builder builder;

        for (const auto& e : entries)
            builder.addEntry (new juce::MemoryInputStream (e.content, true), e.compression, e.storedName,
                              juce::Time (2023, 4, 5, 6, 7, 8));

        juce::MemoryBlock archive;
        juce::MemoryOutputStream out (archive, false);
        const auto written = builder.writeToStream (out, nullptr);
        out.flush();
        EXPECT_TRUE (written);
        return archive;
    }

    class ZipExtractionTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (root.createDirectory().wasOk());
        }

        void TearDown() override
        {
            root.deleteRecursively();
        }

        juce::File root { juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getNonexistentChildFile ("ZipExtractionTests", {}, false) };
        juce::File target { root.getChildFile ("target") };
    };
}

TEST_F (ZipExtractionTest, NestedNamesExtractIntoFoldersWithExactContent)
{
    juce::MemoryBlock binary (200000);
    juce::Random random (42);

    for (size_t i = 0; i < binary.getSize(); ++i)
        binary[i] = (char) (random.nextInt (256) & (i % 3 == 0 ? 0xff : 0x0f));

    const std::vector<EntrySource> sources {
        { "bin\\plugins\\engine.dll", binary, 9 },
        { "bin\\plugins\\stored.dat", binary, 0 },
        { "docs/guide/intro.txt", textBlock ("Welcome.\r\n"), 9 },
        { "data\\empty.bin", {}, 9 },
        { "data\\presets\\", {}, 0 },
    };

    // Written to disk so the file-reading constructor is the one exercised.
    const auto archiveFile = root.getChildFile ("payload.zip");
    const auto bytes = buildArchive (sources);
    ASSERT_TRUE (archiveFile.replaceWithData (bytes.getData(), bytes.getSize()));

    const CheckedZipArchive archive (archiveFile);
    ASSERT_EQ (archive.getNumEntries(), (int) sources.size());

    for (int i = 0; i < archive.getNumEntries(); ++i)
    {
        SCOPED_TRACE (sources[(size_t) i].storedName);
        EXPECT_EQ (archive.getEntryName (i), sources[(size_t) i].storedName);
        EXPECT_EQ (archive.indexOfEntry (sources[(size_t) i].storedName), i);

        const auto result = archive.extractEntry (i, target);
        EXPECT_TRUE (result.wasOk()) << result.getErrorMessage();
    }

    EXPECT_EQ (archive.indexOfEntry ("bin/plugins/engine.dll"), 0) << "either separator names the entry";
    EXPECT_EQ (archive.indexOfEntry ("BIN\\plugins\\engine.dll"), -1);

    const auto dll = target.getChildFile ("bin").getChildFile ("plugins").getChildFile ("engine.dll");
    juce::MemoryBlock extracted;
    ASSERT_TRUE (dll.loadFileAsData (extracted));
    EXPECT_TRUE (extracted == binary);

    extracted.reset();   // loadFileAsData appends
    ASSERT_TRUE (target.getChildFile ("bin").getChildFile ("plugins").getChildFile ("stored.dat").loadFileAsData (extracted));
    EXPECT_TRUE (extracted == binary);

    EXPECT_EQ (target.getChildFile ("docs").getChildFile ("guide").getChildFile ("intro.txt").loadFileAsString(),
               "Welcome.\r\n");
    EXPECT_TRUE (target.getChildFile ("data").getChildFile ("empty.bin").existsAsFile());
    EXPECT_EQ (target.getChildFile ("data").getChildFile ("empty.bin").getSize(), 0);
    EXPECT_TRUE (target.getChildFile ("data").getChildFile ("presets").isDirectory());
    EXPECT_EQ (dll.getLastModificationTime().getYear(), 2023);
}

TEST_F (ZipExtractionTest, DamagedArchiveFailsNamingTheFileAndLeavesNothing)
{
    enum class Region { directoryRecord, payload };

    struct Damage
    {
        const char* what;
        int compression;
        Region region;
        size_t offset;
        std::vector<juce::uint8> bytes;
        const char* expectedMessage;
        bool rejectedBeforeWriting;
    };

    const std::vector<Damage> cases {
        { "CRC-32 in the directory, deflated", 9, Region::directoryRecord, 16, { 0xef, 0xbe, 0xad, 0xde }, "CRC-32 mismatch", false },
        { "CRC-32 in the directory, stored",   0, Region::directoryRecord, 16, { 0xef, 0xbe, 0xad, 0xde }, "CRC-32 mismatch", false },
        { "one byte of stored content",        0, Region::payload,          3, { 'X' },                    "CRC-32 mismatch", false },
        { "size in the directory",             0, Region::directoryRecord, 24, { 13, 0, 0, 0 },            "Size mismatch",   false },
        { "size marks a ZIP64 entry",          9, Region::directoryRecord, 24, { 0xff, 0xff, 0xff, 0xff }, "no usable central directory record", true },
        { "signature of the directory record", 9, Region::directoryRecord,  0, { 'Q' },                    "no usable central directory record", true },
    };

    const juce::String name ("sub\\file.txt");
    const auto file = target.getChildFile ("sub").getChildFile ("file.txt");

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto bytes = buildArchive ({ { name, textBlock ("hello, world"), c.compression } });

        // The builder writes no archive comment, so the end record is the last 22 bytes.
        const auto directoryStart = (size_t) juce::ByteOrder::littleEndianInt (bytes.begin() + bytes.getSize() - 22 + 16);
        const auto payloadStart = (size_t) 30 + (size_t) name.getNumBytesAsUTF8();
        const auto base = c.region == Region::directoryRecord ? directoryStart : payloadStart;

        for (size_t i = 0; i < c.bytes.size(); ++i)
            bytes[base + c.offset + i] = (char) c.bytes[i];

        // Once overwriting has begun the old copy is gone too; it must not be left half-replaced.
        ASSERT_TRUE (file.getParentDirectory().createDirectory().wasOk());
        ASSERT_TRUE (file.replaceWithText ("previous version"));

        juce::MemoryInputStream stream (bytes, false);
        const CheckedZipArchive archive (stream);
        ASSERT_EQ (archive.getNumEntries(), 1);

        const auto result = archive.extractEntry (0, target);
        ASSERT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().contains (file.getFullPathName())) << result.getErrorMessage();
        EXPECT_TRUE (result.getErrorMessage().contains (c.expectedMessage)) << result.getErrorMessage();

        if (c.rejectedBeforeWriting)
            EXPECT_EQ (file.loadFileAsString(), "previous version");
        else
            EXPECT_FALSE (file.exists()) << "the unverified file was left behind";
    }
}

TEST_F (ZipExtractionTest, NamesEscapingTheTargetFolderAreRefused)
{
    const char* names[] = {
        "..\\evil.txt",
        "../evil.txt",
        "sub\\..\\..\\evil.txt",
        "sub/./../../evil.txt",
        "...\\evil.txt",
        ".. \\evil.txt",
        "\\evil.txt",
        "/evil.txt",
        "C:\\evil.txt",
        "C:evil.txt",
        "..\\escaped\\",
    };

    for (const auto* name : names)
    {
        SCOPED_TRACE (name);
        const auto bytes = buildArchive ({ { name, textBlock ("payload"), 0 } });
        juce::MemoryInputStream stream (bytes, false);
        const CheckedZipArchive archive (stream);

        const auto result = archive.extractEntry (0, target);
        EXPECT_TRUE (result.failed());
        EXPECT_TRUE (result.getErrorMessage().contains (name)) << result.getErrorMessage();
    }

    EXPECT_FALSE (root.getChildFile ("evil.txt").exists());
    EXPECT_FALSE (root.getChildFile ("escaped").exists());
    EXPECT_FALSE (target.exists());
}

TEST_F (ZipExtractionTest, OverwritingReplacesTheWholeOldFile)
{
    const auto file = target.getChildFile ("settings.xml");
    ASSERT_TRUE (target.createDirectory().wasOk());
    ASSERT_TRUE (file.replaceWithText (juce::String::repeatedString ("old content ", 500)));

    const auto bytes = buildArchive ({ { "settings.xml", textBlock ("<new/>"), 9 } });
    juce::MemoryInputStream stream (bytes, false);
    const CheckedZipArchive archive (stream);

    const auto result = archive.extractEntry (0, target);
    ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ (file.loadFileAsString(), "<new/>");
    EXPECT_EQ (file.getSize(), 6);
}

TEST_F (ZipExtractionTest, ReadOnlyExistingFileMakesExtractionFail)
{
    const auto file = target.getChildFile ("locked.dll");
    ASSERT_TRUE (target.createDirectory().wasOk());
    ASSERT_TRUE (file.replaceWithText ("old"));
    ASSERT_TRUE (file.setReadOnly (true));

    const auto bytes = buildArchive ({ { "locked.dll", textBlock ("new build"), 9 } });
    juce::MemoryInputStream stream (bytes, false);
    const CheckedZipArchive archive (stream);

    const auto result = archive.extractEntry (0, target);
    file.setReadOnly (false);

    ASSERT_TRUE (result.failed());
    EXPECT_TRUE (result.getErrorMessage().contains (file.getFullPathName())) << result.getErrorMessage();
    EXPECT_EQ (file.loadFileAsString(), "old");
}

TEST_F (ZipExtractionTest, OutOfRangeIndexFails)
{
    const auto bytes = buildArchive ({ { "a.txt", textBlock ("a"), 0 } });
    juce::MemoryInputStream stream (bytes, false);
    const CheckedZipArchive archive (stream);

    EXPECT_TRUE (archive.extractEntry (1, target).failed());
    EXPECT_TRUE (archive.extractEntry (-1, target).failed());
    EXPECT_EQ (archive.getEntryName (1), juce::String());
}

TEST_F (ZipExtractionTest, InnerArchiveStoredOrDeflatedGivesTheSameBundleAndADamagedOneIsFoundFirst)
{
    // A bundle with a module too large to unpack in memory when its archive is deflated.
    juce::MemoryBlock module (20 * 1024 * 1024);
    juce::Random (7).fillBitsRandomly (module.getData(), module.getSize());
    // ...and enough files that they are written on several threads.
    std::vector<EntrySource> files {
        { "Ondra.vst3\\Contents\\x86_64-win\\Ondra.vst3", module, 9 },
        { "Ondra.vst3\\Contents\\Resources\\moduleinfo.json", textBlock ("{ \"Name\": \"Ondra\" }"), 9 },
        { "Ondra.vst3\\desktop.ini", textBlock ("[.ShellClassInfo]\r\n"), 0 },
    };
    for (int k = 0; k < 40; ++k)
    {
        const auto text = "<Preset number=\"" + juce::String (k) + "\"/>" + juce::String::repeatedString ("x", k * 100);
        files.push_back ({ "Ondra.vst3\\Contents\\Resources\\Presets\\Preset " + juce::String (k) + ".preset",
                           juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8()), k % 2 == 0 ? 9 : 0 });
    }
    const auto inner = buildArchive (files);

    struct Case { const char* name; int compression; bool damaged; int readOnly; };
    for (const auto& c : { Case { "stored", 0, false, -1 }, Case { "deflated", 9, false, -1 }, Case { "stored and damaged", 0, true, -1 },
                           Case { "a file that cannot be written", 0, false, 30 } })
    {
        SCOPED_TRACE (c.name);
        auto outer = buildArchive ({ { "Ondra.vst3.zip", inner, c.compression } });

        if (c.damaged)
            static_cast<char*> (outer.getData())[outer.getSize() / 2] ^= 0x20;   // inside the stored bytes

        const auto file = root.getChildFile (juce::String (c.name) + ".zip");
        ASSERT_TRUE (file.replaceWithData (outer.getData(), outer.getSize()));
        const CheckedZipArchive archive (file);
        const auto staging = root.getChildFile (c.name);
        ASSERT_TRUE (staging.createDirectory().wasOk());

        juce::File readOnly;
        if (c.readOnly >= 0)
        {
            readOnly = staging.getChildFile (files[(size_t) c.readOnly].storedName.replaceCharacter ('\\', '/'));
            readOnly.getParentDirectory().createDirectory();
            readOnly.replaceWithText ("a user's own");
            readOnly.setReadOnly (true);
        }

        juce::File staged;
        auto innerFailed = false;
        const auto result = CorvoAudio::stageObject (archive, 0, "Ondra.vst3", staging, staged, innerFailed);

        if (c.readOnly >= 0)
        {
            EXPECT_EQ (result.getErrorMessage(), "Cannot overwrite read-only file " + readOnly.getFullPathName());
            EXPECT_TRUE (innerFailed);
            EXPECT_EQ (readOnly.loadFileAsString(), "a user's own");
            readOnly.setReadOnly (false);
            continue;
        }

        if (c.damaged)
        {
            EXPECT_TRUE (result.getErrorMessage().contains ("CRC-32 mismatch for archive entry \"Ondra.vst3.zip\"")) << result.getErrorMessage();
            EXPECT_EQ (staging.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0) << "nothing staged";
            continue;
        }

        ASSERT_TRUE (result.wasOk()) << result.getErrorMessage();
        EXPECT_EQ (staged, staging.getChildFile ("Ondra.vst3"));
        for (const auto& f : files)
        {
            juce::MemoryBlock written;
            ASSERT_TRUE (staging.getChildFile (f.storedName.replaceCharacter ('\\', '/')).loadFileAsData (written)) << f.storedName;
            EXPECT_TRUE (written == f.content) << f.storedName;
        }
        EXPECT_EQ (staging.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1) << "no unpacked archive left beside the bundle";
    }
}
