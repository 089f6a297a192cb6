// Little-endian fields read one after another from a span of bytes. A read that would run past
// the end reads as zero and marks the reader failed, so a record is decoded without a bounds test
// per field and checked once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vorne {

class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
    std::uint64_t U64() { return Take(8); }

    // The next `count` bytes, or an empty span (and failure) when fewer are left.
    std::span<const std::uint8_t> Bytes(std::size_t count) {
        if (count > Left()) return Fail(), std::span<const std::uint8_t>();
        auto part = bytes.subspan(at, count);
        at += count;
        return part;
    }
    std::string Text(std::size_t count) {
        auto part = Bytes(count);
        return std::string(part.begin(), part.end());
    }
    void Skip(std::size_t count) { Bytes(count); }

    bool Ok() const { return !failed; }
    std::size_t Position() const { return at; }
    std::size_t Left() const { return bytes.size() - at; }

private:
    std::uint64_t Take(std::size_t width) {
        if (width > Left()) return Fail(), 0;
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes[at + i];
        at += width;
        return value;
    }
    void Fail() {
        failed = true;
        at = bytes.size();
    }

    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;
    bool failed = false;
};

}  // namespace vorne
