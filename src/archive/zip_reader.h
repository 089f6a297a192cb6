// Reading one member of a zip archive into memory, whole: single-volume archives whose members
// are stored or deflated. Nothing is shown to the user: each failure sends diagnostic lines to
// ReportZipError, and the caller learns of it from the result alone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/zip_format.h"
#include "platform/file.h"

namespace vorne {

// Results: 0 success; 1 no end record; the decoder's 1, 2 or 3 when inflating fails; -1 for every
// other failure. Callers only tell zero from nonzero.
inline constexpr int kZipOk = 0;
inline constexpr int kZipNoEndRecord = 1;
inline constexpr int kZipFailed = -1;

// The longest member name a caller may ask for.
inline constexpr std::size_t kZipMaxWantedName = 247;
// Stored names are compared by their first 254 characters.
inline constexpr std::size_t kZipComparedNameLength = 254;
// No member is read whole into memory beyond this size.
inline constexpr std::uint64_t kZipMaxMemberSize = 2ull << 30;

// The diagnostic sink: formats one line (at most 255 characters) and discards it, unless the
// calling thread listens (vorne-cli prints the reason for a failed extraction; tests check lines).
void ReportZipError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Lets the calling thread hear ReportZipError's lines for as long as the object lives.
class ZipErrorListener {
public:
    explicit ZipErrorListener(std::function<void(const std::string&)> hear);
    ~ZipErrorListener();
    ZipErrorListener(const ZipErrorListener&) = delete;
    ZipErrorListener& operator=(const ZipErrorListener&) = delete;

    void Hear(const std::string& line) const { hear(line); }

private:
    std::function<void(const std::string&)> hear;
    ZipErrorListener* previous;
};

// Seeks to the end of an open file and takes the position: 0 and the length, or nonzero.
int get_file_length(const File& file, std::int64_t& length);

// The output sink of the window decoder: appends each piece at the current end of the member's
// buffer and never writes past it; a stream that yields more is noted as an overflow.
struct MemberOutput {
    std::span<std::uint8_t> buffer;
    std::size_t end = 0;
    bool overflowed = false;

    void AppendOutput(std::span<const std::uint8_t> bytes);
};

// How a deflated member is decoded: straight into its buffer, or through the 32 KiB window and
// AppendOutput. Both give the same results; the direct path is the faster.
enum class InflatePath { Direct, Window };

// An archive opened once, with its central directory read and indexed, so that many members can
// be read without searching the directory afresh each time.
class ZipArchive {
public:
    // Opens the archive and reads its directory. On failure returns nullptr and sets `result`;
    // an archive whose directory cannot be read is returned with `result` nonzero, and no member
    // of it can be read.
    static std::unique_ptr<ZipArchive> Open(const std::string& path, int& result);
    // The same for an archive the caller has opened; `path` names it.
    static std::unique_ptr<ZipArchive> Open(File file, const std::string& path, int& result);

    // Reads the member `name` (matched as ReadMember describes) into `data`. On failure `data` is
    // untouched and the result is nonzero.
    int ReadMember(std::string_view name, std::vector<std::uint8_t>& data, InflatePath path = InflatePath::Direct) const;

    const std::string& BaseName() const { return baseName; }
    const File& Archive() const { return file; }
    const std::vector<ZipDirectoryEntry>& Entries() const { return entries; }

private:
    ZipArchive() = default;
    int FindEntry(const std::string& wanted) const;
    int ReadEntry(const ZipDirectoryEntry& entry, const std::string& wanted, std::vector<std::uint8_t>& data,
                  InflatePath path) const;

    std::string archivePath;
    std::string baseName;  // the archive's file name, for diagnostics
    File file;
    std::int64_t length = 0;
    ZipEndRecord end;
    std::vector<ZipDirectoryEntry> entries;     // in directory order
    std::vector<std::string> comparedNames;     // upper-cased, cut to 254 characters
    // Entries by their compared name, and by the last component of it (folders left out).
    std::unordered_map<std::string, std::vector<int>> byName;
    std::unordered_map<std::string, std::vector<int>> byLastComponent;
};

// Reads member `name` of the archive at `archivePath` into `data`: its bytes and, as data.size(),
// its length. The name is matched without regard to ASCII case; a name of the same length as a
// stored one must equal it, otherwise the last component of a stored file name (never a folder)
// must equal the wanted name, the first such entry in directory order being read.
int ReadMember(const std::string& archivePath, std::string_view name, std::vector<std::uint8_t>& data);

// The last component of a path split at "/", "\" and ":", empty components skipped.
std::string ZipBaseName(std::string_view path);

}  // namespace vorne
