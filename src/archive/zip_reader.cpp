#include "archive/zip_reader.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <new>

#include "archive/inflate.h"
#include "base/crc32.h"
#include "base/text_rules.h"
#include "platform/file_error.h"

namespace vorne {

namespace {

thread_local ZipErrorListener* currentListener = nullptr;

// The most a deflate stream can expand: a 258-byte match in two bits.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Versions needed to extract above 2.0 (0x14) are refused.
constexpr std::uint8_t kMaxVersionNeeded = 0x14;

const char* MethodLine(bool deflated) {
    return deflated ? "Could not create input buffer for zipfile %s\n" : "Couldn't extract uncompressed file from zipfile %s\n";
}

// The last component of a stored name split at "/", empty components skipped.
std::string_view LastComponent(std::string_view name) {
    while (!name.empty() && name.back() == '/') name.remove_suffix(1);
    auto slash = name.find_last_of('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace

void ReportZipError(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (currentListener != nullptr) currentListener->Hear(line);
}

ZipErrorListener::ZipErrorListener(std::function<void(const std::string&)> hear_)
    : hear(std::move(hear_)), previous(currentListener) {
    currentListener = this;
}

ZipErrorListener::~ZipErrorListener() { currentListener = previous; }

int get_file_length(const File& file, std::int64_t& length) {
    try {
        length = file.Size();
        return 0;
    } catch (const FileError&) {
        return -1;
    }
}

void MemberOutput::AppendOutput(std::span<const std::uint8_t> bytes) {
    std::size_t room = buffer.size() - end;
    std::size_t n = std::min(room, bytes.size());
    std::copy_n(bytes.begin(), n, buffer.begin() + static_cast<std::ptrdiff_t>(end));
    end += n;
    if (n < bytes.size()) overflowed = true;
}

std::string ZipBaseName(std::string_view path) {
    std::string_view rest = path;
    while (!rest.empty() && (rest.back() == '/' || rest.back() == '\\' || rest.back() == ':')) rest.remove_suffix(1);
    auto cut = rest.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
}

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& path, int& result) {
    File file;
    try {
        file = File::OpenRead(path);
        if (!file.IsRegular()) throw FileError(path, "Not a regular file");
    } catch (const FileError&) {
        ReportZipError("Could not open zipfile %s\n", path.c_str());
        result = kZipFailed;
        return nullptr;
    }
    return Open(std::move(file), path, result);
}

std::unique_ptr<ZipArchive> ZipArchive::Open(File opened, const std::string& path, int& result) {
    std::unique_ptr<ZipArchive> archive(new ZipArchive);
    ZipArchive& a = *archive;
    a.archivePath = path;
    a.baseName = ZipBaseName(path);
    a.file = std::move(opened);
    const char* base = a.baseName.c_str();
    if (int error = get_file_length(a.file, a.length); error != 0) {
        ReportZipError("Error in zipfile %s: get_file_length() failed\n", base);
        result = error;
        return nullptr;
    }

    // The end record stands in the last 22 bytes plus the longest comment.
    try {
        auto end = ReadEndRecord(a.file, a.length);
        if (!end) {
            ReportZipError("Error in zipfile %s: couldn't find 'end of central dir' signature\n", base);
            ReportZipError("Error reading 'end of central directory' in zipfile %s\n", base);
            result = kZipNoEndRecord;
            return nullptr;
        }
        a.end = *end;
    } catch (const FileError&) {
        ReportZipError("Error in zipfile %s: couldn't read %ld bytes from end of file\n", base,
                       static_cast<long>(EndRecordSearchSize(a.length)));
        ReportZipError("Error reading 'end of central directory' in zipfile %s\n", base);
        result = kZipFailed;
        return nullptr;
    }
    if (a.end.thisDisk != a.end.directoryDisk || a.end.entriesOnDisk != a.end.totalEntries || a.end.totalEntries < 1) {
        ReportZipError("Unsupported zipfile %s: zipfile cannot span disks\n", base);
        result = kZipFailed;
        return nullptr;
    }

    // The whole directory, however large: a member past the first few kilobytes is still found.
    if (a.end.directoryOffset > a.length) {
        ReportZipError("Error in zipfile %s: couldn't fseek to start of central directory\n", base);
        result = kZipFailed;
        return archive;  // every read then fails with "Could not find"
    }
    std::optional<std::vector<ZipDirectoryEntry>> entries;
    try {
        entries = ReadDirectoryEntries(a.file, a.length, a.end);
    } catch (const std::exception&) {
        // a read error: reported below as a directory that cannot be read
    }
    if (!entries) {
        ReportZipError("Error in zipfile %s: couldn't read %ld bytes from central directory\n", base,
                       static_cast<long>(a.end.directorySize));
        result = kZipFailed;
        return archive;
    }
    a.entries = std::move(*entries);
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        std::string compared = ToUpperAscii(a.entries[i].name).substr(0, kZipComparedNameLength);
        a.byName[compared].push_back(static_cast<int>(i));
        if (!compared.ends_with('/')) a.byLastComponent[std::string(LastComponent(compared))].push_back(static_cast<int>(i));
        a.comparedNames.push_back(std::move(compared));
    }
    result = kZipOk;
    return archive;
}

int ZipArchive::FindEntry(const std::string& wanted) const {
    const char* base = baseName.c_str();
    // Candidates: first the entries of exactly the wanted name, then those whose last component is
    // the wanted name (where the lengths differ; same lengths must match whole), each in directory
    // order. Trying the whole name first means "GAME.NES" reads GAME.NES, not an earlier
    // sub/GAME.NES, while a bare file name still finds a member in any folder.
    std::vector<int> candidates;
    if (auto it = byName.find(wanted); it != byName.end()) candidates = it->second;
    if (auto it = byLastComponent.find(wanted); it != byLastComponent.end()) {
        for (int i : it->second) {
            if (comparedNames[static_cast<std::size_t>(i)].size() != wanted.size()) candidates.push_back(i);
        }
    }

    for (int i : candidates) {
        const ZipDirectoryEntry& e = entries[static_cast<std::size_t>(i)];
        bool usable = true;
        if (e.method != kZipMethodStored && e.method != kZipMethodDeflated) {
            ReportZipError("Error in zipfile %s: compression method for file %s unsupported.\n", base, wanted.c_str());
            ReportZipError("Method: $%04x  must be $0000 (Stored) or $0008 (Deflated)\n", e.method);
            usable = false;
        }
        if (e.versionNeeded > kMaxVersionNeeded) {
            ReportZipError("Error in zipfile %s: version for file %s too new.\n", base, wanted.c_str());
            ReportZipError("Version: $%02x must be $14 or less\n", e.versionNeeded);
            usable = false;
        }
        if (e.versionNeededUpper != 0) {
            ReportZipError("Error in zipfile %s: OS for file %s not supported.\n", base, wanted.c_str());
            ReportZipError("OS: $%02x must be $00\n", e.versionNeededUpper);
            usable = false;
        }
        if (e.startDisk != end.thisDisk) {
            ReportZipError("Error in zipfile %s: zipfile cannot span disks\n", base);
            usable = false;
        }
        // An encrypted member would decode into garbage.
        if (e.flags & kZipFlagEncrypted) {
            ReportZipError("Error in zipfile %s: file %s is encrypted.\n", base, wanted.c_str());
            usable = false;
        }
        if (usable) return i;
    }
    ReportZipError("Could not find %s in zipfile %s\n", wanted.c_str(), base);
    return -1;
}

int ZipArchive::ReadMember(std::string_view name, std::vector<std::uint8_t>& data, InflatePath path) const {
    const std::string wanted = ToUpperAscii(name);
    if (wanted.size() > kZipMaxWantedName || comparedNames.size() != entries.size() || entries.empty()) {
        ReportZipError("Could not find %s in zipfile %s\n", wanted.c_str(), baseName.c_str());
        return kZipFailed;
    }
    int index = FindEntry(wanted);
    if (index < 0) return kZipFailed;
    try {
        return ReadEntry(entries[static_cast<std::size_t>(index)], wanted, data, path);
    } catch (const std::bad_alloc&) {
        ReportZipError("Couldn't allocate memory for file %s of zipfile %s\n", wanted.c_str(), baseName.c_str());
        return kZipFailed;
    } catch (const FileError&) {
        ReportZipError("Error in zipfile %s: couldn't read file %s\n", baseName.c_str(), wanted.c_str());
        return kZipFailed;
    }
}

int ZipArchive::ReadEntry(const ZipDirectoryEntry& entry, const std::string& wanted, std::vector<std::uint8_t>& data,
                          InflatePath path) const {
    const char* base = baseName.c_str();
    const char* member = wanted.c_str();
    const std::int64_t headerAt = entry.localHeaderOffset;
    if (headerAt >= length) {
        ReportZipError("Error in zipfile %s: couldn't fseek to local file header\n", base);
        ReportZipError("Error reading 'local file header' in zipfile %s\n", base);
        return kZipFailed;
    }
    std::array<std::uint8_t, ZipLocalHeader::kSize> fixed{};
    if (file.ReadAt(headerAt, fixed) < fixed.size()) {
        ReportZipError("Error in zipfile %s: couldn't read %ld bytes from local file header", base,
                       static_cast<long>(std::min<std::int64_t>(8192, length - headerAt)));
        ReportZipError("Error reading 'local file header' in zipfile %s\n", base);
        return kZipFailed;
    }
    const ZipLocalHeader local = DecodeLocalHeader(fixed);
    if (local.signature != kZipLocalHeaderSignature) {
        ReportZipError("Error in zipfile %s: no local file header for file %s\n", base, member);
        ReportZipError("Error reading 'local file header' in zipfile %s\n", base);
        return kZipFailed;
    }
    const bool deflated = local.method == kZipMethodDeflated;
    if (local.method != kZipMethodStored && !deflated) {
        ReportZipError("Error in zipfile %s: compression method for file %s unsupported.\n", base, member);
        ReportZipError("Method: $%04x  must be $0000 (Stored) or $0008 (Deflated)\n", local.method);
        return kZipFailed;
    }
    if (local.flags & kZipFlagEncrypted) {
        ReportZipError("Error in zipfile %s: file %s is encrypted.\n", base, member);
        return kZipFailed;
    }
    // Sizes and CRC that follow the data (a data descriptor) stand in the directory as well.
    const bool described = local.flags & kZipFlagDataDescriptor;
    const std::uint32_t compressedSize = described ? entry.compressedSize : local.compressedSize;
    const std::uint32_t size = described ? entry.uncompressedSize : local.uncompressedSize;
    const std::uint32_t crc = described ? entry.crc : local.crc;

    // A size no stream of this length could give, or too large to hold, fails before any memory
    // is taken for it.
    const std::uint64_t most = deflated ? std::uint64_t{compressedSize} * kMaxDeflateRatio + 258 : compressedSize;
    if (size > most || size > kZipMaxMemberSize) {
        ReportZipError("Error in zipfile %s: file %s cannot be %lu bytes long\n", base, member, static_cast<unsigned long>(size));
        return kZipFailed;
    }
    if (!deflated && size != compressedSize) {
        ReportZipError("Error in zipfile %s: stored file %s has sizes %lu and %lu\n", base, member,
                       static_cast<unsigned long>(compressedSize), static_cast<unsigned long>(size));
        return kZipFailed;
    }

    const std::int64_t dataAt = headerAt + static_cast<std::int64_t>(ZipLocalHeader::kSize) + local.nameLength + local.extraLength;
    // Compressed bytes that would run past the end of the file take no memory either.
    const bool fits = dataAt + compressedSize <= length;
    // A stored member's bytes go straight into the result; a deflated member's compressed bytes
    // into memory that is not cleared first, since the read fills all of it.
    std::vector<std::uint8_t> output;
    std::unique_ptr<std::uint8_t[]> compressed;
    std::span<std::uint8_t> input;
    if (fits && deflated) {
        compressed.reset(new std::uint8_t[compressedSize]);
        input = {compressed.get(), compressedSize};
    } else if (fits) {
        output.resize(compressedSize);
        input = output;
    }
    if (!fits || file.ReadAt(dataAt, input) != input.size()) {
        ReportZipError("Error in zipfile %s: couldn't read %ld bytes of compressed data\n", base, static_cast<long>(compressedSize));
        ReportZipError(MethodLine(deflated), base);
        return kZipFailed;
    }

    if (deflated) {
        output.resize(size);
        int code;
        std::size_t produced;
        bool tooLong;
        if (path == InflatePath::Direct) {
            InflateIntoResult r = InflateInto(input, output);
            code = static_cast<int>(r.result);
            produced = r.produced;
            tooLong = r.outputFull;
        } else {
            std::vector<std::uint8_t> window(kInflateWindowSize);
            MemberOutput sink{output};
            code = static_cast<int>(Inflate(input, std::span<std::uint8_t, kInflateWindowSize>(window.data(), kInflateWindowSize),
                                            [&sink](std::span<const std::uint8_t> bytes) { sink.AppendOutput(bytes); }));
            produced = sink.end;
            tooLong = sink.overflowed;
        }
        if (code != 0) {
            ReportZipError("Error %d inflating compressed file from zipfile %s\n", code, base);
            return code;
        }
        if (tooLong || produced != size) {
            ReportZipError("Error in zipfile %s: file %s inflates to %s bytes than its header says\n", base, member,
                           tooLong ? "more" : "fewer");
            return kZipFailed;
        }
    }
    if (Crc32(output) != crc) {
        ReportZipError("Error in zipfile %s: CRC-32 of file %s does not match\n", base, member);
        return kZipFailed;
    }
    data = std::move(output);
    return kZipOk;
}

int ReadMember(const std::string& archivePath, std::string_view name, std::vector<std::uint8_t>& data) {
    int result = kZipOk;
    auto archive = ZipArchive::Open(archivePath, result);
    if (!archive) return result;
    if (result != kZipOk) {
        // The directory could not be read: no member can be found.
        ReportZipError("Could not find %s in zipfile %s\n", ToUpperAscii(name).c_str(), archive->BaseName().c_str());
        return kZipFailed;
    }
    return archive->ReadMember(name, data);
}

}  // namespace vorne
