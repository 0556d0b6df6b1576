#include "ZipExtraction.h"

#include <zlib.h>

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
    };

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
                                read32 (header + 20) == 0xffffffff || read32 (header + 24) == 0xffffffff });

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

    juce::Result writeVerified (juce::InputStream& in, const juce::File& file, juce::uint32 expectedCrc,
                                juce::int64 expectedSize, bool& fileWasOpened)
    {
        const auto path = file.getFullPathName();
        juce::FileOutputStream out (file);
        fileWasOpened = out.openedOk();

        if (! fileWasOpened)
            return juce::Result::fail ("Failed to open " + path + " for writing: " + out.getStatus().getErrorMessage());

        // FileOutputStream appends, and an older, longer file must not leave a tail behind.
        if (! out.setPosition (0) || out.truncate().failed())
            return juce::Result::fail ("Failed to overwrite " + path + ": " + out.getStatus().getErrorMessage());

        constexpr int bufferSize = 65536;
        juce::HeapBlock<char> buffer (bufferSize);
        auto crc = ::crc32 (0L, Z_NULL, 0);
        juce::int64 written = 0;

        // Stops once past the expected size: the file is wrong by then and need not fill the disk.
        while (written <= expectedSize)
        {
            const auto numRead = in.read (buffer, bufferSize);

            if (numRead <= 0)
                break;

            if (! out.write (buffer, (size_t) numRead))
                return juce::Result::fail ("Failed to write " + path + ": " + out.getStatus().getErrorMessage());

            crc = ::crc32 (crc, reinterpret_cast<const Bytef*> (buffer.get()), (uInt) numRead);
            written += numRead;
        }

        out.flush();

        if (out.getStatus().failed())
            return juce::Result::fail ("Failed to write " + path + ": " + out.getStatus().getErrorMessage());

        if (written != expectedSize)
            return juce::Result::fail ("Size mismatch for " + path + " (expected " + juce::String (expectedSize)
                                       + " bytes, wrote " + juce::String (written) + ")");

        if ((juce::uint32) crc != expectedCrc)
            return juce::Result::fail ("CRC-32 mismatch for " + path + " (the archive is damaged)");

        return juce::Result::ok();
    }
}

//==============================================================================
CheckedZipArchive::CheckedZipArchive (juce::InputStream& source)
    : zip (source)
{
    readRecords (source);
}

CheckedZipArchive::CheckedZipArchive (const juce::File& file)
    : zip (file)
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
            records[(size_t) i] = Record { record.crc32, record.size };
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
    return zip.getIndexOfFileName (name, false);
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
        const auto created = file.createDirectory();
        return created.wasOk() ? created
                               : juce::Result::fail ("Failed to create folder " + path + ": " + created.getErrorMessage());
    }

    if (entry->isSymbolicLink)
        return juce::Result::fail ("Refusing to create " + path + ": the archive stores it as a symbolic link");

    const auto& record = records[(size_t) index];

    if (! record.has_value())
        return juce::Result::fail ("Cannot verify " + path + ": no usable central directory record for entry \""
                                   + name + "\" (damaged or ZIP64 archive)");

    const auto folder = file.getParentDirectory();

    if (const auto created = folder.createDirectory(); created.failed())
        return juce::Result::fail ("Failed to create folder " + folder.getFullPathName() + " for " + path
                                   + ": " + created.getErrorMessage());

    if (file.isDirectory())
        return juce::Result::fail ("Cannot write " + path + ": a folder of that name exists");

    // Not left to the open call, which elevated processes can get past on some systems; the
    // attribute marks a file someone meant to protect.
    if (file.existsAsFile() && ! file.hasWriteAccess())
        return juce::Result::fail ("Cannot overwrite read-only file " + path);

    std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (index));

    if (in == nullptr)
        return juce::Result::fail ("Failed to read the archive entry for " + path);

    bool fileWasOpened = false;
    const auto result = writeVerified (*in, file, record->crc32, record->size, fileWasOpened);

    if (result.failed())
    {
        if (fileWasOpened && ! file.deleteFile())
            return juce::Result::fail (result.getErrorMessage() + "; the incomplete file could not be removed");

        return result;
    }

    // Cosmetic, as with ZipFile::uncompressEntry; the content is already verified.
    file.setCreationTime (entry->fileTime);
    file.setLastModificationTime (entry->fileTime);
    file.setLastAccessTime (entry->fileTime);

    return juce::Result::ok();
}

} // namespace CorvoAudio
