#include "ZipExtraction.h"
#include "Platform.h"

#include <zlib.h>

#include <cstring>
#include <map>

namespace CorvoAudio
{

namespace
{
    constexpr juce::uint32 endOfDirectorySignature = 0x06054b50;
    constexpr juce::uint32 directoryHeaderSignature = 0x02014b50;
    constexpr int endOfDirectorySize = 22;
    constexpr int directoryHeaderSize = 46;
    constexpr juce::int64 maxEndOfDirectorySearch = endOfDirectorySize + 0xffff; // record + longest comment

    juce::uint32 read32 (const char* p)  { return juce::ByteOrder::littleEndianInt (p); }
    juce::uint16 read16 (const char* p)  { return juce::ByteOrder::littleEndianShort (p); }

    struct DirectoryEntry
    {
        juce::String name;
        juce::uint32 crc32 = 0;
        juce::int64 size = 0;
        bool needsZip64 = false;
        int method = 0;                    // 0 stored, 8 deflated
        juce::int64 compressedSize = 0;
        juce::int64 localHeader = 0;       // where the entry's local header begins
    };

    constexpr juce::uint32 localHeaderSignature = 0x04034b50;
    constexpr int localHeaderSize = 30;

    // Above this an inner archive that is deflated in the payload is unpacked to a file, not memory.
    constexpr juce::int64 largestInnerArchiveInMemory = 16 * 1024 * 1024;

    std::vector<DirectoryEntry> parseDirectory (const char* data, size_t size, int expectedCount)
    {
        std::vector<DirectoryEntry> result;
        size_t pos = 0;

        for (int i = 0; i < expectedCount && pos + directoryHeaderSize <= size; ++i)
        {
            const auto* header = data + pos;
            const auto nameLength = (size_t) read16 (header + 28);

            if (read32 (header) != directoryHeaderSignature || pos + directoryHeaderSize + nameLength > size)
                break;

            // The name is decoded exactly as ZipFile decodes it, so the two compare equal.
            result.push_back ({ juce::String::fromUTF8 (header + directoryHeaderSize, (int) nameLength),
                                read32 (header + 16),
                                (juce::int64) read32 (header + 24),
                                read32 (header + 20) == 0xffffffff || read32 (header + 24) == 0xffffffff
                                    || read32 (header + 42) == 0xffffffff,
                                (int) read16 (header + 10),
                                (juce::int64) read32 (header + 20),
                                (juce::int64) read32 (header + 42) });

            pos += directoryHeaderSize + nameLength + read16 (header + 30) + read16 (header + 32);
        }

        return result;
    }

    std::vector<DirectoryEntry> readDirectory (juce::InputStream& in)
    {
        const auto totalLength = in.getTotalLength();

        if (totalLength < endOfDirectorySize)
            return {};

        const auto tailStart = totalLength - juce::jmin (totalLength, maxEndOfDirectorySearch);
        juce::MemoryBlock tail;

        if (! in.setPosition (tailStart)
             || in.readIntoMemoryBlock (tail, (ssize_t) (totalLength - tailStart)) != (size_t) (totalLength - tailStart))
            return {};

        const auto* tailData = static_cast<const char*> (tail.getData());

        // A comment may happen to contain the signature, so keep looking further back until a
        // candidate points at a real central directory.
        for (auto i = (juce::int64) tail.getSize() - endOfDirectorySize; i >= 0; --i)
        {
            const auto* record = tailData + i;

            if (read32 (record) != endOfDirectorySignature)
                continue;

            const auto recordPos = tailStart + i;
            auto directoryStart = (juce::int64) read32 (record + 16);

            // Some writers store the offset just past the first header's signature; ZipFile accepts
            // that, so the records must be looked for in the same place.
            if (directoryStart >= 4 && in.setPosition (directoryStart) && (juce::uint32) in.readInt() != directoryHeaderSignature
                 && in.setPosition (directoryStart - 4) && (juce::uint32) in.readInt() == directoryHeaderSignature)
                directoryStart -= 4;

            juce::MemoryBlock directory;
            const auto directorySize = recordPos - directoryStart;

            if (directorySize <= 0 || ! in.setPosition (directoryStart)
                 || in.readIntoMemoryBlock (directory, (ssize_t) directorySize) != (size_t) directorySize)
                continue;

            auto entries = parseDirectory (static_cast<const char*> (directory.getData()), directory.getSize(),
                                           read16 (record + 10));

            if (! entries.empty())
                return entries;
        }

        return {};
    }

    // Checked part by part rather than with File::getChildFile: that only collapses leading "..",
    // and Windows would also trim ".. " or "..." to a parent reference or read "C:" / "a:b" as a
    // drive or an alternate data stream.
    std::optional<juce::File> resolveTarget (const juce::String& name, const juce::File& folder)
    {
        if (name.isEmpty() || name.startsWithChar ('/') || name.startsWithChar ('\\'))
            return {};

        juce::StringArray parts, kept;
        parts.addTokens (name.replaceCharacter ('\\', '/'), "/", {});

        for (const auto& part : parts)
        {
            if (part.isEmpty() || part == ".")
                continue;

            if (part.containsOnly (". ") || part.containsChar (':'))
                return {};

            kept.add (part);
        }

        if (kept.isEmpty())
            return folder;

        const juce::File file (juce::File::addTrailingSeparator (folder.getFullPathName())
                                 + kept.joinIntoString (juce::File::getSeparatorString()));

        return file.isAChildOf (folder) ? std::optional<juce::File> (file) : std::nullopt;
    }

    // A link or junction planted below the target folder would redirect the write elsewhere.
    bool passesThroughLink (const juce::File& folder, const juce::File& file)
    {
        for (auto f = file; f != folder && f.isAChildOf (folder); f = f.getParentDirectory())
            if (f.isSymbolicLink())
                return true;

        return false;
    }

    /** Copies the stream to write() until its end, stopping once past the expected size (the
        content is wrong by then and need not fill the disk), and checks size and CRC-32. */
    template <typename Write>
    juce::Result copyVerified (juce::InputStream& in, const juce::String& what, juce::uint32 expectedCrc,
                               juce::int64 expectedSize, Write&& write)
    {
        constexpr int bufferSize = 256 * 1024;
        juce::HeapBlock<char> buffer (bufferSize);
        auto crc = ::crc32 (0L, Z_NULL, 0);
        juce::int64 copied = 0;

        while (copied <= expectedSize)
        {
            const auto numRead = in.read (buffer, bufferSize);

            if (numRead <= 0)
                break;

            if (const auto written = write (buffer.get(), (size_t) numRead); written.failed())
                return written;

            crc = ::crc32 (crc, reinterpret_cast<const Bytef*> (buffer.get()), (uInt) numRead);
            copied += numRead;
        }

        if (copied != expectedSize)
            return juce::Result::fail ("Size mismatch for " + what + " (expected " + juce::String (expectedSize)
                                       + " bytes, got " + juce::String (copied) + ")");

        if ((juce::uint32) crc != expectedCrc)
            return juce::Result::fail ("CRC-32 mismatch for " + what + " (the archive is damaged)");

        return juce::Result::ok();
    }
}

//==============================================================================
CheckedZipArchive::CheckedZipArchive (juce::InputStream& source)
    : zip (source)
{
    readRecords (source);
}

namespace
{
    /** Gives the archive a new stream for every entry it reads, so that entries can be read on
        several threads at once. */
    class OpenedSource final : public juce::InputSource
    {
    public:
        explicit OpenedSource (CheckedZipArchive::SourceOpener o) : opener (std::move (o)) {}

        juce::InputStream* createInputStream() override                        { return opener().release(); }
        juce::InputStream* createInputStreamFor (const juce::String&) override { return nullptr; }
        juce::int64 hashCode() const override                                   { return (juce::int64) (juce::pointer_sized_int) this; }

    private:
        CheckedZipArchive::SourceOpener opener;
    };
}

CheckedZipArchive::CheckedZipArchive (SourceOpener opener)
    : openSource (opener),
      zip (new OpenedSource (std::move (opener)))
{
    if (const auto source = openSource != nullptr ? openSource() : nullptr)
        readRecords (*source);
    else
        records.resize ((size_t) zip.getNumEntries());
}

CheckedZipArchive::CheckedZipArchive (const juce::File& file)
    : openSource ([file] () -> std::unique_ptr<juce::InputStream> { return std::make_unique<juce::FileInputStream> (file); }),
      zip (file)
{
    juce::FileInputStream source (file);

    if (source.openedOk())
        readRecords (source);
    else
        records.resize ((size_t) zip.getNumEntries()); // nothing verifiable, so every entry will fail
}

void CheckedZipArchive::readRecords (juce::InputStream& source)
{
    const auto directory = readDirectory (source);

    // ZipFile keeps the stored order and names, but it finds the directory its own way, so pair by
    // name (the n-th entry of a name with the n-th record of it) rather than trust the positions.
    std::map<juce::String, std::pair<std::vector<size_t>, size_t>> recordsByName; // indices, next unused

    for (size_t i = 0; i < directory.size(); ++i)
        recordsByName[directory[i].name].first.push_back (i);

    records.assign ((size_t) zip.getNumEntries(), std::nullopt);

    for (int i = 0; i < zip.getNumEntries(); ++i)
    {
        const auto* entry = zip.getEntry (i);
        auto& [indices, nextUnused] = recordsByName[entry->filename];

        if (nextUnused >= indices.size())
            continue;

        const auto& record = directory[indices[nextUnused++]];

        if (! record.needsZip64 && record.size == entry->uncompressedSize)
            records[(size_t) i] = Record { record.crc32, record.size, record.method, record.compressedSize, record.localHeader };
    }
}

int CheckedZipArchive::getNumEntries() const
{
    return zip.getNumEntries();
}

juce::String CheckedZipArchive::getEntryName (int index) const
{
    if (auto* entry = zip.getEntry (index))
        return entry->filename;

    return {};
}

int CheckedZipArchive::indexOfEntry (const juce::String& name) const
{
    // Archives write either separator: "Presets/Factory.zip" and "Presets\\Factory.zip" are one entry.
    const auto wanted = name.replaceCharacter ('\\', '/');

    for (int i = 0; i < zip.getNumEntries(); ++i)
        if (zip.getEntry (i)->filename.replaceCharacter ('\\', '/') == wanted)
            return i;

    return -1;
}

juce::Result CheckedZipArchive::extractEntry (int index, const juce::File& targetFolder) const
{
    const auto* entry = zip.getEntry (index);

    if (entry == nullptr)
        return juce::Result::fail ("The archive has no entry " + juce::String (index));

    const auto& name = entry->filename;
    const auto isFolder = name.endsWithChar ('/') || name.endsWithChar ('\\');
    const auto target = resolveTarget (name, targetFolder);

    if (! target.has_value() || (*target == targetFolder && ! isFolder))
        return juce::Result::fail ("Refusing archive entry \"" + name + "\": it does not name a place inside "
                                   + targetFolder.getFullPathName());

    const auto& file = *target;
    const auto path = file.getFullPathName();

    if (passesThroughLink (targetFolder, file))
        return juce::Result::fail ("Refusing to extract " + path + " through a symbolic link");

    if (isFolder)
    {
        return platform::createFolders (file);
    }

    if (entry->isSymbolicLink)
        return juce::Result::fail ("Refusing to create " + path + ": the archive stores it as a symbolic link");

    const auto& record = records[(size_t) index];

    if (! record.has_value())
        return juce::Result::fail ("Cannot verify " + path + ": no usable central directory record for entry \""
                                   + name + "\" (damaged or ZIP64 archive)");

    const auto folder = file.getParentDirectory();

    if (const auto created = platform::createFolders (folder); created.failed())
        return juce::Result::fail (created.getErrorMessage() + " for " + path);

    if (file.isDirectory())
        return juce::Result::fail ("Cannot write " + path + ": a folder of that name exists");

    // Not left to the open call, which elevated processes can get past on some systems; the
    // attribute marks a file someone meant to protect.
    if (file.existsAsFile() && ! file.hasWriteAccess())
        return juce::Result::fail ("Cannot overwrite read-only file " + path);

    return writeVerified (index, file);
}

juce::Result CheckedZipArchive::writeVerified (int index, const juce::File& file) const
{
    const auto* entry = zip.getEntry (index);
    const auto& record = records[(size_t) index];
    const auto path = file.getFullPathName();

    if (entry == nullptr || ! record.has_value())
        return juce::Result::fail ("Cannot verify " + path + ": no usable central directory record (damaged or ZIP64 archive)");

    std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (index));

    if (in == nullptr)
        return juce::Result::fail ("Failed to read the archive entry for " + path);

    platform::NewFile out (file);

    if (! out.openedOk())
        return juce::Result::fail ("Failed to open " + path + " for writing: " + out.getError());

    auto result = copyVerified (*in, path, record->crc32, record->size, [&out, &path] (const char* data, size_t size)
    {
        return out.write (data, size) ? juce::Result::ok()
                                      : juce::Result::fail ("Failed to write " + path + ": " + out.getError());
    });

    // The time stamps are cosmetic (the content is verified by then), so they do not fail the file.
    if (result.wasOk())
        out.setTimes (entry->fileTime);

    if (! out.close() && result.wasOk())
        result = juce::Result::fail ("Failed to write " + path + ": " + out.getError());

    if (result.failed() && ! file.deleteFile())
        return juce::Result::fail (result.getErrorMessage() + "; the incomplete file could not be removed");

    return result;
}

juce::Result CheckedZipArchive::recordOf (int index, const Record*& record, juce::String& what) const
{
    const auto* entry = zip.getEntry (index);

    if (entry == nullptr)
        return juce::Result::fail ("The archive has no entry " + juce::String (index));

    what = "archive entry \"" + entry->filename + "\"";

    if (! records[(size_t) index].has_value())
        return juce::Result::fail ("Cannot verify " + what + ": no usable central directory record (damaged or ZIP64 archive)");

    record = &*records[(size_t) index];
    return juce::Result::ok();
}

juce::Result CheckedZipArchive::readEntry (int index, juce::MemoryBlock& content) const
{
    const Record* record = nullptr;
    juce::String what;

    if (const auto found = recordOf (index, record, what); found.failed())
        return found;

    std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (index));

    if (in == nullptr)
        return juce::Result::fail ("Failed to read " + what);

    content.setSize ((size_t) record->size, false);
    size_t filled = 0;

    return copyVerified (*in, what, record->crc32, record->size, [&content, &filled] (const char* data, size_t size)
    {
        if (filled + size > content.getSize())
            content.ensureSize (filled + size);   // more than promised: the check after the copy fails it

        std::memcpy (static_cast<char*> (content.getData()) + filled, data, size);
        filled += size;
        return juce::Result::ok();
    });
}

juce::Result CheckedZipArchive::openEntry (int index, const juce::File& spillFolder, SourceOpener& opener) const
{
    opener = nullptr;
    const Record* record = nullptr;
    juce::String what;

    if (const auto found = recordOf (index, record, what); found.failed())
        return found;

    // Stored, as the build writes an inner archive: read in place through streams of its own over
    // the same bytes, once its CRC-32 is checked in one pass.
    if (record->method == 0 && openSource != nullptr && record->compressedSize == record->size)
    {
        const auto source = openSource();

        if (source == nullptr)
            return juce::Result::fail ("Failed to read " + what);

        char header[localHeaderSize];

        if (! source->setPosition (record->localHeader) || source->read (header, localHeaderSize) != localHeaderSize
             || read32 (header) != localHeaderSignature)
            return juce::Result::fail ("Cannot read " + what + ": its local header is damaged");

        const auto start = record->localHeader + localHeaderSize + read16 (header + 26) + read16 (header + 28);
        const auto size = record->size;

        if (start + size > source->getTotalLength())
            return juce::Result::fail ("Size mismatch for " + what + " (the archive is damaged)");

        juce::SubregionStream region (source.get(), start, size, false);

        if (const auto checked = copyVerified (region, what, record->crc32, size, [] (const char*, size_t) { return juce::Result::ok(); });
            checked.failed())
            return checked;

        opener = [openWhole = openSource, start, size]
        {
            return std::make_unique<juce::SubregionStream> (openWhole().release(), start, size, true);
        };
        return juce::Result::ok();
    }

    // Deflated (an older payload, or a maker's own): small ones in memory, the others unpacked to
    // a file beside what is being staged, so memory never grows with the archive.
    if (record->size <= largestInnerArchiveInMemory || spillFolder == juce::File())
    {
        auto content = std::make_shared<juce::MemoryBlock>();

        if (const auto result = readEntry (index, *content); result.failed())
            return result;

        opener = [content] { return std::make_unique<juce::MemoryInputStream> (*content, false); };
        return juce::Result::ok();
    }

    // The file goes once the last reader of it has gone.
    const std::shared_ptr<const juce::File> spilled (new juce::File (spillFolder.getNonexistentChildFile ("unpacking", ".zip", false)),
                                                     [] (const juce::File* file) { file->deleteFile(); delete file; });

    if (const auto result = writeVerified (index, *spilled); result.failed())
        return result;

    opener = [spilled] { return std::make_unique<juce::FileInputStream> (*spilled); };
    return juce::Result::ok();
}

} // namespace CorvoAudio
