#include "archive/zip_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <optional>

#include "archive/inflate.h"
#include "base/crc32.h"
#include "base/text_rules.h"
#include "platform/file_error.h"

namespace vorne {

namespace {

// The most a DEFLATE stream can expand: a longest match in two bits.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// Versions needed to extract above 2.0 (0x14) are refused, but for zip64 entries, which need 4.5.
constexpr std::uint8_t kMaxVersionNeeded = 0x14;
constexpr std::uint8_t kMaxZip64VersionNeeded = 0x2D;

const char* MethodLine(bool deflated) {
    return deflated ? "Could not create input buffer for zipfile " : "Couldn't extract uncompressed file from zipfile ";
}

// The last component of a stored name split at "/", empty components skipped.
std::string_view LastComponent(std::string_view name) {
    while (!name.empty() && name.back() == '/') name.remove_suffix(1);
    auto slash = name.find_last_of('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The first size a deflated member's buffer gets, and the next as it fills.
std::size_t InitialRoom(std::uint64_t declared, std::uint64_t compressed) {
    const std::uint64_t guess = std::max<std::uint64_t>(kZipInitialMemberRoom, compressed * kZipExpectedRatio);
    return static_cast<std::size_t>(std::min(declared, guess));
}

std::size_t NextRoom(std::size_t now, std::size_t needed, std::size_t limit) {
    return std::min(limit, std::max(needed, now * 2));
}

// A stream reads its compressed bytes, and inflates them, through buffers of at most these
// sizes (smaller for a smaller member).
constexpr std::size_t kStreamInputSize = 256u << 10;
constexpr std::size_t kStreamWindowSize = 256u << 10;

// The failures a read and a stream share, each with its lines.
void FailShortRead(ZipStatus& status, const std::string& base, const ZipMemberSpan& span) {
    status.Say("Error in zipfile ", base, ": couldn't read ", span.compressedSize, " bytes of compressed data\n");
    status.Say(MethodLine(span.deflated), base, "\n");
    status.Fail(ZipResult::Failed);
}

void FailInflate(ZipStatus& status, const std::string& base, InflateResult code) {
    status.Say("Error ", static_cast<int>(code), " inflating compressed file from zipfile ", base, "\n");
    status.inflate = code;
    status.Fail(ZipResult::InflateFailed);
}

void FailSize(ZipStatus& status, const std::string& base, const std::string& member, bool tooLong) {
    status.Say("Error in zipfile ", base, ": file ", member, " inflates to ", tooLong ? "more" : "fewer",
               " bytes than its header says\n");
    status.Fail(ZipResult::Failed);
}

void FailCrc(ZipStatus& status, const std::string& base, const std::string& member) {
    status.Say("Error in zipfile ", base, ": CRC-32 of file ", member, " does not match\n");
    status.Fail(ZipResult::Failed);
}

void FailFileRead(ZipStatus& status, const std::string& base, const std::string& member) {
    status.Say("Error in zipfile ", base, ": couldn't read file ", member, "\n");
    status.Fail(ZipResult::Failed);
}

// Thrown by a stream's own sink to stop the decoder when a member gives more than its size.
struct MemberTooLong {};

}  // namespace

void MemberOutput::AppendOutput(std::span<const std::uint8_t> bytes) {
    if (end + bytes.size() > data.size() && data.size() < limit) data.Resize(NextRoom(data.size(), end + bytes.size(), limit));
    const std::size_t n = std::min(data.size() - end, bytes.size());
    std::copy_n(bytes.begin(), n, data.Room().begin() + static_cast<std::ptrdiff_t>(end));
    end += n;
    if (n < bytes.size()) overflowed = true;
}

std::string ZipBaseName(std::string_view path) {
    std::string_view rest = path;
    while (!rest.empty() && (rest.back() == '/' || rest.back() == '\\' || rest.back() == ':')) rest.remove_suffix(1);
    auto cut = rest.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
}

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& path, ZipStatus& status) {
    File file;
    try {
        file = File::OpenRead(path);  // refuses anything but a regular file
    } catch (const FileError&) {
        status.Say("Could not open zipfile ", path, "\n");
        status.Fail(ZipResult::Failed);
        return nullptr;
    }
    return Open(std::move(file), path, status);
}

std::unique_ptr<ZipArchive> ZipArchive::Open(File opened, const std::string& path, ZipStatus& status) {
    std::unique_ptr<ZipArchive> archive(new ZipArchive);
    ZipArchive& a = *archive;
    a.baseName = ZipBaseName(path);
    a.file = std::move(opened);
    try {
        a.length = a.file.Size();
    } catch (const FileError&) {
        status.Say("Error in zipfile ", a.baseName, ": couldn't take the file's length\n");
        status.Fail(ZipResult::Failed);
        return archive;
    }
    a.directory = ReadZipDirectory(a.file, a.length, a.baseName, status);
    if (!a.directory.read) return archive;

    a.room = MemberRoom(a.directory);
    const auto& entries = a.directory.entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string upper = ToUpperAscii(entries[i].name);
        if (!upper.ends_with('/')) a.byLastComponent[std::string(LastComponent(upper))].push_back(i);
        a.byName[std::move(upper)].push_back(i);
    }
    return archive;
}

std::optional<std::size_t> ZipArchive::Find(std::string_view name, const std::string& upper, ZipStatus& status) const {
    if (directory.read && Entries().empty()) {
        status.Say("Empty zipfile ", baseName, ": zipfile holds no members\n");
        status.Fail(ZipResult::Failed);
        return std::nullopt;
    }
    // The entry of exactly the wanted name; then the first of that whole name in another case;
    // then a member whose file name it is, in whatever folder. Trying the whole name first means
    // "GAME.NES" reads GAME.NES, not an earlier sub/GAME.NES. A bare file name that members in
    // several folders bear could mean any of them: none is picked.
    if (auto it = byName.find(upper); it != byName.end()) {
        for (std::size_t i : it->second) {
            if (Entries()[i].name == name) return i;
        }
        return it->second.front();
    }
    if (auto it = byLastComponent.find(upper); it != byLastComponent.end()) {
        const std::vector<std::size_t>& found = it->second;
        const std::string folder = ToUpperAscii(Entries()[found.front()].name);
        const bool oneFolder = std::all_of(found.begin(), found.end(),
                                           [&](std::size_t i) { return ToUpperAscii(Entries()[i].name) == folder; });
        if (oneFolder) return found.front();
        status.Say("Error in zipfile ", baseName, ": ", upper, " is in several folders; name one of these whole:\n");
        for (std::size_t i : found) status.Say("  ", Entries()[i].name, "\n");
        status.Fail(ZipResult::Failed);
        return std::nullopt;
    }
    status.Say("Could not find ", upper, " in zipfile ", baseName, "\n");
    status.Fail(ZipResult::Failed);
    return std::nullopt;
}

bool ZipArchive::HasZip64LocalHeader(std::size_t index) const {
    const ZipDirectoryEntry& e = Entries()[index];
    try {
        std::array<std::uint8_t, ZipLocalHeader::kSize> fixed{};
        if (e.localHeaderOffset >= static_cast<std::uint64_t>(length)) return false;
        const auto at = static_cast<std::int64_t>(e.localHeaderOffset);
        if (file.ReadAt(at, fixed) != fixed.size()) return false;
        ZipLocalHeader local = DecodeLocalHeader(fixed);
        std::vector<std::uint8_t> extra(local.extraLength);
        extra.resize(file.ReadAt(at + static_cast<std::int64_t>(ZipLocalHeader::kSize) + local.nameLength, extra));
        ResolveZip64Sizes(local, extra);
        return local.zip64;
    } catch (const FileError&) {
        return false;
    }
}

bool ZipArchive::Usable(std::size_t index, const std::string& member, ZipStatus& status) const {
    const ZipDirectoryEntry& e = Entries()[index];
    const std::string& base = baseName;
    bool usable = true;
    if (e.method != kZipMethodStored && e.method != kZipMethodDeflated) {
        status.Say("Error in zipfile ", base, ": compression method for file ", member, " unsupported.\n");
        status.Say("Method: ", DollarHex(e.method, 4), "  must be $0000 (Stored) or $0008 (Deflated)\n");
        usable = false;
    }
    if (e.versionNeeded > kMaxVersionNeeded) {
        // A zip64 entry says so in its directory entry or, as some zippers write it, only in its
        // local header.
        const bool zip64 = e.zip64 || HasZip64LocalHeader(index);
        const std::uint8_t most = zip64 ? kMaxZip64VersionNeeded : kMaxVersionNeeded;
        if (e.versionNeeded > most) {
            status.Say("Error in zipfile ", base, ": version for file ", member, " too new.\n");
            status.Say("Version: ", DollarHex(e.versionNeeded, 2), " must be ", DollarHex(most, 2), " or less\n");
            usable = false;
        }
    }
    if (e.versionNeededUpper != 0) {
        status.Say("Error in zipfile ", base, ": OS for file ", member, " not supported.\n");
        status.Say("OS: ", DollarHex(e.versionNeededUpper, 2), " must be $00\n");
        usable = false;
    }
    if (e.startDisk != directory.end.thisDisk) {
        status.Say("Error in zipfile ", base, ": zipfile cannot span disks\n");
        usable = false;
    }
    // An encrypted member would decode into garbage.
    if (e.flags & kZipFlagEncrypted) {
        status.Say("Error in zipfile ", base, ": file ", member, " is encrypted.\n");
        usable = false;
    }
    return usable;
}

ZipStatus ZipArchive::ReadMember(std::string_view name, MemberData& data, const ZipReadOptions& options) const {
    ZipStatus status;
    const std::string wanted = ToUpperAscii(name);
    const std::optional<std::size_t> index = Find(name, wanted, status);
    // The member found is the one read: one that cannot be read fails the read, and another of
    // a like name is never handed over instead.
    if (!index) return status;
    if (!Usable(*index, wanted, status)) {
        status.Fail(ZipResult::Failed);
        return status;
    }
    ReadData(*index, wanted, data, options, status);
    return status;
}

ZipStatus ZipArchive::ReadEntry(std::size_t index, MemberData& data, const ZipReadOptions& options) const {
    ZipStatus status;
    if (index >= Entries().size()) {
        status.Say("Could not find entry ", index, " in zipfile ", baseName, "\n");
        status.Fail(ZipResult::Failed);
        return status;
    }
    const std::string member = ToUpperAscii(Entries()[index].name);
    if (!Usable(index, member, status)) {
        status.Fail(ZipResult::Failed);
        return status;
    }
    ReadData(index, member, data, options, status);
    return status;
}

std::optional<ZipMemberStream> ZipArchive::StreamMember(std::string_view name, ZipStatus& status) const {
    const std::string wanted = ToUpperAscii(name);
    const std::optional<std::size_t> index = Find(name, wanted, status);
    if (!index) return std::nullopt;
    return Stream(*index, wanted, status);
}

std::optional<ZipMemberStream> ZipArchive::StreamEntry(std::size_t index, ZipStatus& status) const {
    if (index >= Entries().size()) {
        status.Say("Could not find entry ", index, " in zipfile ", baseName, "\n");
        status.Fail(ZipResult::Failed);
        return std::nullopt;
    }
    return Stream(index, ToUpperAscii(Entries()[index].name), status);
}

std::optional<ZipMemberStream> ZipArchive::Stream(std::size_t index, const std::string& member, ZipStatus& status) const {
    if (!Usable(index, member, status)) {
        status.Fail(ZipResult::Failed);
        return std::nullopt;
    }
    try {
        const std::optional<ZipMemberSpan> span = Locate(index, member, false, status);
        if (!span) return std::nullopt;
        return ZipMemberStream(*this, member, *span);
    } catch (const FileError&) {
        FailFileRead(status, baseName, member);
        return std::nullopt;
    }
}

ZipStatus ZipMemberStream::Run(const MemberSink& sink) const {
    ZipStatus status;
    const std::string& base = archive->BaseName();
    const File& file = archive->Archive();

    // The compressed bytes, read as the decoder asks for them. A read error or an archive that
    // has shrunk ends them early.
    std::uint64_t readAt = span.dataAt;
    std::uint64_t unread = span.compressedSize;
    bool readFailed = false;
    auto read = [&](std::span<std::uint8_t> room) -> std::size_t {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(room.size(), unread));
        if (wanted == 0 || readFailed) return 0;
        std::size_t got = 0;
        try {
            got = file.ReadAt(static_cast<std::int64_t>(readAt), room.first(wanted));
        } catch (const FileError&) {
            readFailed = true;
            return 0;
        }
        readFailed = got < wanted;
        readAt += got;
        unread -= got;
        return got;
    };
    // What the decoder gives, checked and counted on its way to the sink.
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    bool tooLong = false;
    auto pass = [&](std::span<const std::uint8_t> bytes) {
        if (bytes.size() > span.size - produced) {
            bytes = bytes.first(static_cast<std::size_t>(span.size - produced));
            tooLong = true;
        }
        crc = Crc32(bytes, crc);
        produced += bytes.size();
        if (!bytes.empty()) sink(bytes);
        if (tooLong) throw MemberTooLong{};
    };

    const auto inputSize = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(span.compressedSize, kInflateMinInput, kStreamInputSize));
    const std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[inputSize]);
    InflateResult code = InflateResult::Ok;
    try {
        if (span.deflated) {
            const std::size_t windowSize = std::clamp(std::bit_ceil(static_cast<std::size_t>(std::min<std::uint64_t>(
                                                          span.size, kStreamWindowSize))),
                                                      kInflateWindowSize, kStreamWindowSize);
            const std::unique_ptr<std::uint8_t[]> window(new std::uint8_t[windowSize]);
            code = InflateFrom(read, {input.get(), inputSize}, {window.get(), windowSize}, pass);
        } else {
            while (const std::size_t got = read({input.get(), inputSize})) pass({input.get(), got});
        }
    } catch (const MemberTooLong&) {
        // The rest is not looked at.
    }
    if (readFailed) {
        FailShortRead(status, base, span);
    } else if (code != InflateResult::Ok) {
        FailInflate(status, base, code);
    } else if (tooLong || produced != span.size) {
        FailSize(status, base, member, tooLong);
    } else if (crc != span.crc) {
        FailCrc(status, base, member);
    }
    return status;
}

std::optional<ZipMemberSpan> ZipArchive::Locate(std::size_t index, const std::string& member, bool whole,
                                                ZipStatus& status) const {
    const ZipDirectoryEntry& entry = Entries()[index];
    const std::string& base = baseName;
    auto fail = [&status] {
        status.Fail(ZipResult::Failed);
        return std::nullopt;
    };
    if (entry.localHeaderOffset >= static_cast<std::uint64_t>(length)) {
        status.Say("Error in zipfile ", base, ": couldn't fseek to local file header\n");
        status.Say("Error reading 'local file header' in zipfile ", base, "\n");
        return fail();
    }
    const auto headerAt = static_cast<std::int64_t>(entry.localHeaderOffset);
    std::array<std::uint8_t, ZipLocalHeader::kSize> fixed{};
    if (file.ReadAt(headerAt, fixed) < fixed.size()) {
        status.Say("Error in zipfile ", base, ": couldn't read ", std::min(kZipLocalHeaderReadSize, length - headerAt),
                   " bytes from local file header");
        status.Say("Error reading 'local file header' in zipfile ", base, "\n");
        return fail();
    }
    ZipLocalHeader local = DecodeLocalHeader(fixed);
    if (local.signature != kZipLocalHeaderSignature) {
        status.Say("Error in zipfile ", base, ": no local file header for file ", member, "\n");
        status.Say("Error reading 'local file header' in zipfile ", base, "\n");
        return fail();
    }
    const bool deflated = local.method == kZipMethodDeflated;
    if (local.method != kZipMethodStored && !deflated) {
        status.Say("Error in zipfile ", base, ": compression method for file ", member, " unsupported.\n");
        status.Say("Method: ", DollarHex(local.method, 4), "  must be $0000 (Stored) or $0008 (Deflated)\n");
        return fail();
    }
    if (local.flags & kZipFlagEncrypted) {
        status.Say("Error in zipfile ", base, ": file ", member, " is encrypted.\n");
        return fail();
    }
    if (local.compressedSize == kZip64Marker32 || local.uncompressedSize == kZip64Marker32) {
        std::vector<std::uint8_t> extra(local.extraLength);
        extra.resize(file.ReadAt(headerAt + static_cast<std::int64_t>(ZipLocalHeader::kSize) + local.nameLength, extra));
        ResolveZip64Sizes(local, extra);
    }
    // Sizes and CRC that follow the data (a data descriptor) stand in the directory as well.
    const bool described = local.flags & kZipFlagDataDescriptor;
    ZipMemberSpan span;
    span.deflated = deflated;
    span.compressedSize = described ? entry.compressedSize : local.compressedSize;
    span.size = described ? entry.uncompressedSize : local.uncompressedSize;
    span.crc = described ? entry.crc : local.crc;
    span.dataAt = entry.localHeaderOffset + local.DataOffset();

    // A size no stream of this length could give, or too large to hold, fails before any memory
    // is taken for it.
    const std::uint64_t most = !deflated ? span.compressedSize
                               : span.compressedSize > (UINT64_MAX - kDeflateMaxMatch) / kMaxDeflateRatio
                                   ? UINT64_MAX
                                   : span.compressedSize * kMaxDeflateRatio + kDeflateMaxMatch;
    if (span.size > most || (whole && span.size > kZipMaxMemberSize)) {
        status.Say("Error in zipfile ", base, ": file ", member, " cannot be ", span.size, " bytes long\n");
        return fail();
    }
    if (!deflated && span.size != span.compressedSize) {
        status.Say("Error in zipfile ", base, ": stored file ", member, " has sizes ", span.compressedSize, " and ",
                   span.size, "\n");
        return fail();
    }
    // Compressed bytes that would run past the end of the file take no memory either.
    if (span.dataAt > static_cast<std::uint64_t>(length) || span.compressedSize > static_cast<std::uint64_t>(length) - span.dataAt) {
        status.Say("Error in zipfile ", base, ": couldn't read ", span.compressedSize, " bytes of compressed data\n");
        status.Say(MethodLine(deflated), base, "\n");
        return fail();
    }
    // A member whose bytes run into the next member or the directory shares them with another
    // part of the archive: reading it would read the same bytes again (a zip bomb's trick).
    if (local.DataOffset() + span.compressedSize > room[index]) {
        status.Say("Error in zipfile ", base, ": file ", member, " overlaps another member or the central directory\n");
        return fail();
    }
    return span;
}

void ZipArchive::ReadData(std::size_t index, const std::string& member, MemberData& data, const ZipReadOptions& options,
                          ZipStatus& status) const {
    const std::string& base = baseName;
    try {
        const std::optional<ZipMemberSpan> span = Locate(index, member, true, status);
        if (!span) return;
        MemoryBudget::Lease lease;
        if (options.budget != nullptr) lease = options.budget->Reserve((span->deflated ? span->compressedSize : 0) + span->size);

        // A stored member's bytes go straight into the result; a deflated member's compressed
        // bytes into memory that is not cleared first, since the read fills all of it.
        MemberData output;
        std::unique_ptr<std::uint8_t[]> compressed;
        std::span<std::uint8_t> input;
        if (span->deflated) {
            compressed.reset(new std::uint8_t[span->compressedSize]);
            input = {compressed.get(), static_cast<std::size_t>(span->compressedSize)};
        } else {
            output.Allocate(static_cast<std::size_t>(span->compressedSize));
            input = output.Room();
        }
        if (file.ReadAt(static_cast<std::int64_t>(span->dataAt), input) != input.size()) {
            FailShortRead(status, base, *span);
            return;
        }
        if (span->deflated && !Inflate(input, *span, member, options.path, output, status)) return;
        if (Crc32(output.Bytes()) != span->crc) {
            FailCrc(status, base, member);
            return;
        }
        lease.ShrinkTo(output.size());
        output.Hold(std::move(lease));
        data = std::move(output);
    } catch (const std::bad_alloc&) {
        status.Say("Couldn't allocate memory for file ", member, " of zipfile ", base, "\n");
        status.Fail(ZipResult::Failed);
    } catch (const FileError&) {
        FailFileRead(status, base, member);
    }
}

bool ZipArchive::Inflate(std::span<const std::uint8_t> input, const ZipMemberSpan& span, const std::string& member,
                         InflatePath path, MemberData& output, ZipStatus& status) const {
    const auto limit = static_cast<std::size_t>(span.size);
    output.Allocate(InitialRoom(span.size, span.compressedSize));
    InflateResult code;
    std::size_t produced;
    bool tooLong;
    if (path == InflatePath::Direct) {
        const InflateIntoResult r = InflateInto(input, output.Room(), [&output, limit](std::size_t) {
            if (output.size() < limit) output.Resize(NextRoom(output.size(), output.size() + 1, limit));
            return output.Room();
        });
        code = r.result;
        produced = r.produced;
        tooLong = r.outputFull;
    } else {
        std::vector<std::uint8_t> window(kInflateWindowSize);
        MemberOutput sink{output, limit};
        code = vorne::Inflate(input, std::span<std::uint8_t, kInflateWindowSize>(window.data(), kInflateWindowSize),
                              [&sink](std::span<const std::uint8_t> bytes) { sink.AppendOutput(bytes); });
        produced = sink.end;
        tooLong = sink.overflowed;
    }
    if (code != InflateResult::Ok) {
        FailInflate(status, baseName, code);
        return false;
    }
    if (tooLong || produced != span.size) {
        FailSize(status, baseName, member, tooLong);
        return false;
    }
    return true;
}

namespace {

// Whether directory entry `index` of `archive` still bears the name `name`; says why not in `status`.
bool StillListed(const ZipArchive& archive, std::size_t index, std::string_view name, ZipStatus& status) {
    if (!archive.HasDirectory()) {
        if (status.Ok()) status.Fail(ZipResult::Failed);
        return false;
    }
    if (index >= archive.Entries().size() || archive.Entries()[index].name != name) {
        // Another member stands there now: reading it would hand over a file the user never chose.
        status.Say(archive.BaseName(), ": the archive changed since it was listed");
        status.Fail(ZipResult::Failed);
        return false;
    }
    return true;
}

}  // namespace

std::optional<ZipMemberStream> StreamListedEntry(const ZipArchive& archive, std::size_t index, std::string_view name,
                                                 ZipStatus& status) {
    if (!StillListed(archive, index, name, status)) return std::nullopt;
    return archive.StreamEntry(index, status);
}

ZipStatus ReadListedEntry(const std::string& archivePath, std::size_t index, std::string_view name, MemberData& data) {
    ZipStatus opened;
    auto archive = ZipArchive::Open(archivePath, opened);
    if (!archive || !StillListed(*archive, index, name, opened)) return opened;
    ZipStatus read = archive->ReadEntry(index, data);
    read.lines.insert(read.lines.begin(), opened.lines.begin(), opened.lines.end());
    return read;
}

ZipStatus ReadMember(const std::string& archivePath, std::string_view name, MemberData& data) {
    ZipStatus opened;
    auto archive = ZipArchive::Open(archivePath, opened);
    if (!archive || !archive->Directory().endFound) return opened;
    // An archive whose directory could not be read has no entry to find.
    ZipStatus read = archive->ReadMember(name, data);
    read.lines.insert(read.lines.begin(), opened.lines.begin(), opened.lines.end());
    return read;
}

}  // namespace vorne
