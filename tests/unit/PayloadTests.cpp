#include "EmbeddedResources.h"
#include "FontData.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
    /** A resource table over blocks held in memory. */
    struct FakeTable
    {
        void add (std::string identifier, std::string filename, juce::MemoryBlock data)
        {
            identifiers.push_back (std::move (identifier));
            filenames.push_back (std::move (filename));
            blocks[identifiers.back()] = std::move (data);
        }

        resources::ResourceTable table()
        {
            identifierPointers.clear();
            filenamePointers.clear();

            for (auto& s : identifiers) identifierPointers.push_back (s.c_str());
            for (auto& s : filenames)   filenamePointers.push_back (s.c_str());

            return { (int) identifiers.size(), identifierPointers.data(), filenamePointers.data(),
                     [this] (const char* identifier, int& size) -> const char*
                     {
                         const auto found = blocks.find (identifier == nullptr ? "" : identifier);

                         if (found == blocks.end())
                         {
                             size = 0;
                             return nullptr;
                         }

                         size = (int) found->second.getSize();
                         return static_cast<const char*> (found->second.getData());
                     } };
        }

        std::vector<std::string> identifiers, filenames;
        std::vector<const char*> identifierPointers, filenamePointers;
        std::map<std::string, juce::MemoryBlock> blocks;
    };

    juce::MemoryBlock randomBytes (size_t size, int seed)
    {
        juce::MemoryBlock block (size);
        juce::Random random (seed);
        random.fillBitsRandomly (block.getData(), size);
        return block;
    }

    constexpr size_t pieceSize = 8 * 1024 * 1024;
}

TEST (Payload, PiecesAreJoinedInNaturalOrderByteForByte)
{
    // 12 pieces, listed out of order, the whole archive above 16 MiB: 2 must come before 10.
    const auto whole = randomBytes (11 * 64 * 1024 + pieceSize * 2 + 12345, 7);
    const auto bytes = static_cast<const char*> (whole.getData());

    std::vector<juce::MemoryBlock> pieces;
    size_t offset = 0;

    for (int i = 0; i < 12; ++i)
    {
        const auto length = i == 1 || i == 10 ? pieceSize : (i == 11 ? whole.getSize() - offset : (size_t) 64 * 1024);
        pieces.emplace_back (bytes + offset, length);
        offset += length;
    }

    ASSERT_EQ (offset, whole.getSize());
    ASSERT_GT (whole.getSize(), (size_t) 16 * 1024 * 1024);

    FakeTable table;
    table.add ("EULA_html_zip", "EULA.html.zip", randomBytes (100, 1));

    for (int i : { 10, 2, 0, 11, 1, 9, 3, 4, 5, 6, 7, 8 })
        table.add ("Payload_zip_corvoChunk" + std::to_string (i), "Payload.zip.corvoChunk" + std::to_string (i), pieces[(size_t) i]);

    table.add ("Payload_zip", "Payload.zip", randomBytes (10, 2));   // ignored while pieces exist

    const auto assembled = CorvoAudio::assemblePayload (table.table());
    ASSERT_NE (assembled, nullptr);
    EXPECT_TRUE (*assembled == whole);
}

TEST (Payload, AnyNameContainingThePieceMarkerCounts)
{
    FakeTable table;
    table.add ("b", "Payload.zip.corvoChunk1.extra", juce::MemoryBlock ("B", 1));
    table.add ("a", "Payload.zip.corvoChunk0", juce::MemoryBlock ("A", 1));
    table.add ("c", "Payload.zip.CORVOCHUNK2", juce::MemoryBlock ("C", 1));   // the marker is case-sensitive

    const auto assembled = CorvoAudio::assemblePayload (table.table());
    EXPECT_EQ (assembled->toString(), "AB");
}

TEST (Payload, WithoutPiecesTheWholeArchiveOrNothing)
{
    FakeTable withWhole;
    withWhole.add ("Payload_zip", "Payload.zip", juce::MemoryBlock ("whole", 5));
    EXPECT_EQ (CorvoAudio::assemblePayload (withWhole.table())->toString(), "whole");

    FakeTable empty;
    empty.add ("Manifest_xml", "Manifest.xml", juce::MemoryBlock ("<x/>", 4));
    const auto nothing = CorvoAudio::assemblePayload (empty.table());
    ASSERT_NE (nothing, nullptr);
    EXPECT_EQ (nothing->getSize(), 0u);

    juce::MemoryInputStream stream (*nothing, false);
    juce::ZipFile archive (stream);
    EXPECT_EQ (archive.getNumEntries(), 0);
}

TEST (Payload, EmbeddedTableOfThisBuild)
{
    const auto table = resources::embeddedTable();
    // The demo payload fits one piece: one piece and the 17 other files of the product.
    ASSERT_EQ (table.size, 18);
    EXPECT_STREQ (table.identifiers[0], "Payload_zip_corvoChunk0");
    EXPECT_STREQ (table.originalFilenames[0], "Payload.zip.corvoChunk0");

    int size = -1;
    EXPECT_EQ (table.lookup ("NoSuchResource", size), nullptr);
    EXPECT_EQ (size, 0);
    EXPECT_EQ (table.lookup ("", size), nullptr);

    const auto whole = resources::getResource ("Payload_zip");
    EXPECT_TRUE (*CorvoAudio::assemblePayload() == whole);

    juce::MemoryInputStream stream (whole, false);
    juce::ZipFile archive (stream);
    EXPECT_NE (archive.getIndexOfFileName ("Tarrow Audio - Ondra.vst3.zip"), -1);
    EXPECT_NE (archive.getIndexOfFileName ("Tarrow Audio - Ondra.aaxplugin.zip"), -1);
}

TEST (Payload, FontsHaveATableOfTheirOwn)
{
    for (auto* identifier : { "RobotoBold_ttf", "RobotoLight_ttf", "RobotoMedium_ttf", "RobotoRegular_ttf" })
    {
        int size = 0;
        const auto* data = FontData::getNamedResource (identifier, size);
        ASSERT_NE (data, nullptr) << identifier;
        EXPECT_GT (size, 100000) << identifier;
        EXPECT_NE (juce::Typeface::createSystemTypefaceFor (data, (size_t) size), nullptr) << identifier;
    }

    EXPECT_TRUE (resources::getResource ("RobotoBold_ttf").isEmpty());   // not in the product's table
}
