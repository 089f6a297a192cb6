// The hashes of a file's data (what a DAT describes, see base/hashed_data.h) and of the whole
// file, computed in one pass over its bytes: CRC-32 (ours), SHA-1 and, when asked, MD5 and
// SHA-256 (all from OpenSSL's libcrypto).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "base/hashed_data.h"
#include "dat/dat_file.h"

namespace vorne {

class File;

struct Hashes {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<Sha1Digest> sha1;
    std::optional<Md5Digest> md5;
    std::optional<Sha256Digest> sha256;
};

struct FileHashes {
    Hashes data;
    Hashes whole;  // its SHA-1 (MD5, SHA-256) only when asked for
};

struct HashChoice {
    bool md5 = false;        // MD5 besides SHA-1
    bool sha256 = false;     // SHA-256 besides SHA-1
    bool wholeFile = false;  // SHA-1 (and MD5) of the whole file too, not only its CRC-32
};

// Takes a file's bytes in order, from its first, and hashes them as they come.
class DataHasher {
public:
    DataHasher(const HashedData& layout, std::int64_t length, HashChoice choice);
    ~DataHasher();
    DataHasher(const DataHasher&) = delete;
    DataHasher& operator=(const DataHasher&) = delete;

    void Feed(std::span<const std::uint8_t> bytes);
    // Ends the pass. Bytes the file did not deliver (it shrank) count as missing: the sizes are
    // those of the bytes fed.
    FileHashes Finish();

private:
    struct Digests;
    void FeedData(std::span<const std::uint8_t> bytes);
    void FlushUnits(bool last);

    HashedData layout;
    HashChoice choice;
    bool sameAsWhole;
    std::int64_t at = 0;  // file offset of the next byte fed
    std::unique_ptr<Digests> data;
    std::unique_ptr<Digests> whole;
    std::vector<std::uint8_t> pending;  // data bytes waiting for the rest of their unit
    std::vector<std::uint8_t> ordered;  // a unit put in order
};

// Takes a file's bytes in order, as DataHasher does, when where its data lies is known only once
// its first bytes have gone by (a reader says so from its header): those first bytes wait until
// they are all there, then everything is hashed as it comes. Costs the wait's bytes, whatever the
// file's length.
class StreamHasher {
public:
    // Where the data lies, from the first bytes of the file (all of them when it is shorter).
    using LayoutOf = std::function<HashedData(std::span<const std::uint8_t> head)>;
    StreamHasher(std::int64_t length, std::size_t headBytes, HashChoice choice, LayoutOf layoutOf);
    ~StreamHasher();
    StreamHasher(const StreamHasher&) = delete;
    StreamHasher& operator=(const StreamHasher&) = delete;

    void Feed(std::span<const std::uint8_t> bytes);
    FileHashes Finish();

private:
    void Start();

    std::int64_t length;
    std::size_t headBytes;
    HashChoice choice;
    LayoutOf layoutOf;
    std::vector<std::uint8_t> head;
    std::unique_ptr<DataHasher> hasher;
};

// Hashes bytes held in memory.
FileHashes HashBytes(std::span<const std::uint8_t> bytes, const HashedData& layout, HashChoice choice);
// Hashes an open file of `length` bytes, read once in chunks. Throws FileError.
FileHashes HashFile(const File& file, std::int64_t length, const HashedData& layout, HashChoice choice);

}  // namespace vorne
