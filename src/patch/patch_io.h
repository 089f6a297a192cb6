// Where a patch and the file it patches are read from, and where the patched file goes: files on
// disk, read and written a piece at a time, or bytes in memory. Applying a patch never holds more
// of either than its few windows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorne {

class File;
class RewriteOutput;

// Bytes read by offset.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to out.size() bytes at `offset`; fewer only at the end. Throws FileError.
    virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class MemoryInput final : public ByteInput {
public:
    explicit MemoryInput(std::span<const std::uint8_t> bytes) : bytes(bytes) {}
    std::uint64_t Size() const override { return bytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    std::span<const std::uint8_t> bytes;
};

// An open file, whose size is taken once, when it is wrapped.
class FileInput final : public ByteInput {
public:
    explicit FileInput(const File& file);
    std::uint64_t Size() const override { return size; }
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    const File& file;
    std::uint64_t size;
};

// The patched file as it is written. A write may land anywhere, over what is there or past the
// end (a gap reads as zero bytes); what was written can be read back.
class PatchOutput {
public:
    virtual ~PatchOutput() = default;
    virtual void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // Fills `into` from `offset`, which with it lies inside what was written.
    virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const = 0;
};

class MemoryOutput final : public PatchOutput {
public:
    explicit MemoryOutput(std::vector<std::uint8_t>& bytes) : bytes(bytes) {}
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const override;

private:
    std::vector<std::uint8_t>& bytes;
};

// The new content of a rewrite (or a new file): the temporary file behind it.
class RewriteTarget final : public PatchOutput {
public:
    explicit RewriteTarget(RewriteOutput& out) : out(out) {}
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const override;

private:
    RewriteOutput& out;
};

// Copies `length` bytes of `from` from `offset` on to `to` at `at`, a piece at a time.
void CopyInput(const ByteInput& from, std::uint64_t offset, std::uint64_t length, PatchOutput& to, std::uint64_t at);

}  // namespace vorne
