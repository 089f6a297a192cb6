#include "dat/data_hasher.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "base/chunked_read.h"
#include "base/crc32.h"
#include "platform/file.h"

namespace vorne {

namespace {

// Fetched once: an implicit fetch on every init costs a lookup per file.
const EVP_MD* Sha1() {
    static EVP_MD* md = EVP_MD_fetch(nullptr, "SHA1", nullptr);
    return md;
}
const EVP_MD* Md5() {
    static EVP_MD* md = EVP_MD_fetch(nullptr, "MD5", nullptr);
    return md;
}
const EVP_MD* Sha256() {
    static EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    return md;
}

struct DigestContext {
    EVP_MD_CTX* context = nullptr;
    explicit DigestContext(const EVP_MD* md) : context(EVP_MD_CTX_new()) {
        if (!context || !md || EVP_DigestInit_ex(context, md, nullptr) != 1) {
            EVP_MD_CTX_free(context);
            throw std::runtime_error("the hash functions of libcrypto are not available");
        }
    }
    ~DigestContext() { EVP_MD_CTX_free(context); }
    DigestContext(const DigestContext&) = delete;
    DigestContext& operator=(const DigestContext&) = delete;
    void Update(std::span<const std::uint8_t> bytes) { EVP_DigestUpdate(context, bytes.data(), bytes.size()); }
    template <std::size_t N>
    std::array<std::uint8_t, N> Final() {
        std::array<std::uint8_t, N> digest{};
        unsigned size = 0;
        EVP_DigestFinal_ex(context, digest.data(), &size);
        return digest;
    }
};

// The byte order units are reordered in: 2 for pairs, 4 for words, 2H for a block.
std::size_t UnitOf(const HashedData& layout) {
    switch (layout.order) {
        case StoredOrder::AsIs: return 1;
        case StoredOrder::SwappedPairs: return 2;
        case StoredOrder::LittleEndianWords: return 4;
        case StoredOrder::Interleaved: return static_cast<std::size_t>(2 * layout.halfBlock);
    }
    return 1;
}

}  // namespace

struct DataHasher::Digests {
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::optional<DigestContext> sha1;
    std::optional<DigestContext> md5;
    std::optional<DigestContext> sha256;

    Digests(bool withSha1, bool withMd5, bool withSha256) {
        if (withSha1) sha1.emplace(Sha1());
        if (withMd5) md5.emplace(Md5());
        if (withSha256) sha256.emplace(Sha256());
    }
    void Update(std::span<const std::uint8_t> bytes) {
        size += bytes.size();
        crc = Crc32(bytes, crc);
        if (sha1) sha1->Update(bytes);
        if (md5) md5->Update(bytes);
        if (sha256) sha256->Update(bytes);
    }
    Hashes Final() {
        Hashes out{size, crc};
        if (sha1) out.sha1 = sha1->Final<20>();
        if (md5) out.md5 = md5->Final<16>();
        if (sha256) out.sha256 = sha256->Final<32>();
        return out;
    }
};

DataHasher::DataHasher(const HashedData& layout, std::int64_t length, HashChoice choice)
    : layout(layout), choice(choice), sameAsWhole(layout.IsWholeFile(length)) {
    if (layout.order == StoredOrder::Interleaved && layout.halfBlock <= 0) throw std::invalid_argument("no half-block size");
    data = std::make_unique<Digests>(true, choice.md5, choice.sha256);
    // The whole file's CRC-32 always (it is cheap); its other hashes only when asked, and never
    // twice over the same bytes.
    if (!sameAsWhole) {
        whole = std::make_unique<Digests>(choice.wholeFile, choice.wholeFile && choice.md5, choice.wholeFile && choice.sha256);
    }
}

DataHasher::~DataHasher() = default;

void DataHasher::Feed(std::span<const std::uint8_t> bytes) {
    const std::int64_t start = at;
    at += static_cast<std::int64_t>(bytes.size());
    if (sameAsWhole) return data->Update(bytes);
    whole->Update(bytes);
    FeedData(PartWithin(start, bytes, layout.from, layout.to));
}

void DataHasher::FeedData(std::span<const std::uint8_t> bytes) {
    const std::size_t unit = UnitOf(layout);
    if (unit == 1) return data->Update(bytes);
    // Whole units straight from the input where none is pending; the rest waits.
    while (!bytes.empty()) {
        if (pending.empty() && bytes.size() >= unit) {
            const std::size_t whole = bytes.size() / unit * unit;
            pending.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(whole));
            bytes = bytes.subspan(whole);
            FlushUnits(false);
            continue;
        }
        const std::size_t take = std::min(bytes.size(), unit - pending.size() % unit);
        pending.insert(pending.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (pending.size() % unit == 0) FlushUnits(false);
    }
}

// Puts the pending units in order and hashes them. At the end, a last unit the data does not
// fill: pairs and words have no partner bytes and stay as they are; a short block of the copier
// layout is completed with zero bytes, as the layout conversion completes it, and hashed as far
// as the data reaches.
void DataHasher::FlushUnits(bool last) {
    const std::size_t unit = UnitOf(layout);
    const std::size_t whole = pending.size() / unit * unit;
    ordered.resize(whole);
    if (layout.order == StoredOrder::Interleaved) {
        const std::size_t half = unit / 2;
        std::size_t size = last ? pending.size() : whole;
        pending.resize((size + unit - 1) / unit * unit, 0);
        ordered.resize(pending.size());
        for (std::size_t block = 0; block < pending.size(); block += unit) {
            const std::uint8_t* odd = pending.data() + block;
            const std::uint8_t* even = odd + half;
            std::uint8_t* linear = ordered.data() + block;
            for (std::size_t i = 0; i < half; ++i) {
                linear[2 * i] = even[i];
                linear[2 * i + 1] = odd[i];
            }
        }
        data->Update(std::span(ordered).first(size));
        pending.clear();
        return;
    }
    for (std::size_t i = 0; i < whole; i += unit) {
        if (unit == 2) {
            ordered[i] = pending[i + 1];
            ordered[i + 1] = pending[i];
        } else {
            ordered[i] = pending[i + 3];
            ordered[i + 1] = pending[i + 2];
            ordered[i + 2] = pending[i + 1];
            ordered[i + 3] = pending[i];
        }
    }
    data->Update(ordered);
    if (last) data->Update(std::span(pending).subspan(whole));
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(last ? pending.size() : whole));
}

FileHashes DataHasher::Finish() {
    if (!pending.empty()) FlushUnits(true);
    FileHashes out;
    out.data = data->Final();
    out.whole = sameAsWhole ? out.data : whole->Final();
    return out;
}

StreamHasher::StreamHasher(std::int64_t length, std::size_t headBytes, HashChoice choice, LayoutOf layoutOf)
    : length(length),
      headBytes(static_cast<std::size_t>(std::clamp<std::int64_t>(static_cast<std::int64_t>(headBytes), 0, std::max<std::int64_t>(length, 0)))),
      choice(choice),
      layoutOf(std::move(layoutOf)) {
    if (this->headBytes == 0) Start();
}

StreamHasher::~StreamHasher() = default;

void StreamHasher::Start() {
    hasher = std::make_unique<DataHasher>(layoutOf(head), length, choice);
    hasher->Feed(head);
    head.clear();
    head.shrink_to_fit();
}

void StreamHasher::Feed(std::span<const std::uint8_t> bytes) {
    if (!hasher) {
        const std::size_t take = std::min(bytes.size(), headBytes - head.size());
        head.insert(head.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (head.size() < headBytes) return;
        Start();
    }
    if (!bytes.empty()) hasher->Feed(bytes);
}

FileHashes StreamHasher::Finish() {
    if (!hasher) Start();  // the file ended early: its layout from what there was
    return hasher->Finish();
}

FileHashes HashBytes(std::span<const std::uint8_t> bytes, const HashedData& layout, HashChoice choice) {
    DataHasher hasher(layout, static_cast<std::int64_t>(bytes.size()), choice);
    hasher.Feed(bytes);
    return hasher.Finish();
}

FileHashes HashFile(const File& file, std::int64_t length, const HashedData& layout, HashChoice choice) {
    DataHasher hasher(layout, length, choice);
    std::vector<std::uint8_t> buffer;
    ReadInChunks(file, 0, length, buffer, [&](std::int64_t, std::span<const std::uint8_t> bytes) { hasher.Feed(bytes); });
    return hasher.Finish();
}

}  // namespace vorne
