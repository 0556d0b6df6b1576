#include "EmbeddedResources.h"
#include "BinaryData.h"
#include "FontData.h"
#include "Installation.h"
#include "ManifestProperties.h"
#include "Platform.h"
#include "TestHelpers.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstring>
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

    // The installation reads the pieces in place, seeking as the archive reader does: reads that
    // start inside one piece and cross two boundaries, backwards and forwards.
    const auto stream = CorvoAudio::openPayload (table.table());
    EXPECT_EQ (stream->getTotalLength(), (juce::int64) whole.getSize());

    for (const auto from : { (juce::int64) (64 * 1024 + pieceSize - 100), (juce::int64) 10, (juce::int64) whole.getSize() - 50 })
    {
        juce::MemoryBlock read (64 * 1024 + 200);
        ASSERT_TRUE (stream->setPosition (from));
        const auto count = stream->read (read.getData(), (int) read.getSize());
        EXPECT_EQ (count, (int) juce::jmin ((juce::int64) read.getSize(), (juce::int64) whole.getSize() - from));
        EXPECT_EQ (std::memcmp (read.getData(), bytes + from, (size_t) count), 0) << from;
        EXPECT_EQ (stream->getPosition(), from + count);
    }

    EXPECT_TRUE (stream->isExhausted());
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

TEST (Payload, EmbeddedOnceAsItsPieces)
{
    const auto table = resources::embeddedTable();
    // The demo payload fits one piece: one piece and the 16 other files of the product, and no
    // second, whole copy of the payload.
    ASSERT_EQ (table.size, 17);
    EXPECT_EQ (table.payloadPieces, 1);
    EXPECT_STREQ (table.identifiers[0], "Payload_zip_corvoChunk0");
    EXPECT_STREQ (table.originalFilenames[0], "Payload.zip.corvoChunk0");
    EXPECT_TRUE (resources::getResource ("Payload_zip").isEmpty());

    int size = -1;
    EXPECT_EQ (table.lookup ("NoSuchResource", size), nullptr);
    EXPECT_EQ (size, 0);
    EXPECT_EQ (table.lookup ("", size), nullptr);
    EXPECT_EQ (table.lookup (nullptr, size), nullptr);
    EXPECT_STREQ (BinaryData::getNamedResourceOriginalFilename ("Icon_erroroutline_svg"), "Icon error-outline.svg");
    EXPECT_EQ (BinaryData::getNamedResourceOriginalFilename ("Icon error-outline.svg"), nullptr);

    // Every resource is its file byte for byte, followed by a 0 byte it does not count.
    const auto manifest = resources::getResource ("Manifest_xml");
    juce::MemoryBlock manifestFile;
    ASSERT_TRUE (juce::File (INSTALLER_PRODUCT_DIR).getChildFile ("Manifest.xml").loadFileAsData (manifestFile));
    EXPECT_TRUE (manifest == manifestFile);
    EXPECT_EQ (BinaryData::Manifest_xmlSize, (int) manifest.getSize());
    EXPECT_EQ (BinaryData::Manifest_xml[BinaryData::Manifest_xmlSize], 0);

    // The pieces joined are the archive the build made, byte for byte.
    juce::MemoryBlock archive;
    ASSERT_TRUE (juce::File (INSTALLER_DEMO_PAYLOAD).loadFileAsData (archive));
    EXPECT_TRUE (*CorvoAudio::assemblePayload() == archive);
    EXPECT_EQ (CorvoAudio::payloadPiecesProblem (table), "");
}

TEST (Payload, APieceMissingIsFoundBeforeAnythingIsInstalled)
{
    // The demo payload cut into four pieces, as a build cuts a large one.
    juce::MemoryBlock archive;
    ASSERT_TRUE (juce::File (INSTALLER_DEMO_PAYLOAD).loadFileAsData (archive));
    const auto pieceLength = archive.getSize() / 4 + 1;

    const auto tableWithout = [&] (std::vector<int> left, int expected)
    {
        auto fake = std::make_unique<FakeTable>();
        fake->add ("Manifest_xml", "Manifest.xml", resources::getResource ("Manifest_xml"));

        for (int i : left)
        {
            const auto offset = (size_t) i * pieceLength;
            fake->add ("Payload_zip_corvoChunk" + std::to_string (i), "Payload.zip.corvoChunk" + std::to_string (i),
                       juce::MemoryBlock (static_cast<const char*> (archive.getData()) + offset,
                                          juce::jmin (pieceLength, archive.getSize() - offset)));
        }

        auto table = fake->table();
        table.payloadPieces = expected;
        return std::make_pair (std::move (fake), table);
    };

    struct Case { std::vector<int> pieces; int expected; const char* problem; };
    const Case cases[] = {
        { { 0, 1, 2, 3 }, 4, "" },
        { { 3, 1, 0, 2 }, 4, "" },
        { { 0, 1, 2, 3 }, -1, "" },
        { { 0, 1, 3 }, 4, "has 3 of its 4 pieces" },
        { { 0, 1, 3 }, -1, "lacks piece 2 of 3" },
        { { 1, 2, 3 }, -1, "lacks piece 0 of 3" },
        { { 0, 1, 2 }, 4, "has 3 of its 4 pieces" },    // the last one: the rest still joins cleanly
        { { 0, 2 }, 2, "lacks piece 1 of 2" },
        { {}, 4, "has 0 of its 4 pieces" },
    };

    for (const auto& c : cases)
    {
        const auto [fake, table] = tableWithout (c.pieces, c.expected);
        EXPECT_EQ (CorvoAudio::payloadPiecesProblem (table), c.problem) << c.pieces.size() << " pieces";

        if (juce::String (c.problem).isEmpty())
        {
            EXPECT_TRUE (*CorvoAudio::assemblePayload (table) == archive);
        }
    }

    // A headless install of the product with its third piece gone: exit 9, nothing installed.
    const auto [fake, table] = tableWithout ({ 0, 1, 3 }, 4);
    resources::replaceEmbeddedTable (&table);

    testing_support::FakeSeam seam;
    testing_support::TestApp app;
    app.getPersistentTree().appendChild (ManifestProperties::parse (resources::manifestText()).createCopy(), nullptr);
    const juce::File bundle ("C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3");
    platform::deletePath (bundle);

    const auto output = testing_support::runHeadless<CorvoAudio::Installation> (app, OperationMode::install, seam, 20000);
    resources::replaceEmbeddedTable (nullptr);

    ASSERT_TRUE (seam.exitCode.has_value()) << output;
    EXPECT_EQ (*seam.exitCode, 9) << output;
    EXPECT_TRUE (output.contains ("This installer is damaged: its payload has 3 of its 4 pieces. Download the installer again.")) << output;
    EXPECT_FALSE (output.contains ("Installing Tarrow Audio - Ondra.vst3...")) << output;
    EXPECT_FALSE (bundle.exists());
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
