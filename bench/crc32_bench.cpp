// CRC-32 throughput. crc32/<size>: the dispatching Crc32() against zlib, libdeflate and the byte
// table. crc32-portable/<size>: slicing-by-8, the path CPUs without carry-less multiply get,
// against the byte table. 40 KiB stays in the L1/L2 caches; 64 MiB streams from further out.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "base/crc32_paths.h"

namespace {

using vorne::Crc32;

const std::vector<std::uint8_t>& Data() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> bytes(64u << 20);
        std::mt19937_64 random(2024);
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            std::uint64_t word = random();
            for (int k = 0; k < 8; ++k) bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
        }
        return bytes;
    }();
    return data;
}

using CrcFunction = std::uint32_t (*)(std::span<const std::uint8_t>);

std::uint32_t Vorne(std::span<const std::uint8_t> bytes) { return Crc32(bytes); }
std::uint32_t Slicing8(std::span<const std::uint8_t> bytes) { return vorne::Crc32Slicing8(bytes); }
std::uint32_t Bytewise(std::span<const std::uint8_t> bytes) { return vorne::Crc32Bytewise(bytes); }
std::uint32_t Zlib(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}
std::uint32_t Libdeflate(std::span<const std::uint8_t> bytes) {
    return libdeflate_crc32(0, bytes.data(), bytes.size());
}

void Register(const std::string& group, const char* impl, CrcFunction function, std::size_t size) {
    benchmark::RegisterBenchmark((group + "/" + impl).c_str(), [function, size](benchmark::State& state) {
        std::span<const std::uint8_t> bytes(Data().data(), size);
        for (auto _ : state) benchmark::DoNotOptimize(function(bytes));
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
    });
}

const bool registered = [] {
    struct Size {
        const char* name;
        std::size_t bytes;
    };
    for (Size size : {Size{"40KiB", 40u << 10}, Size{"64MiB", 64u << 20}}) {
        std::string group = std::string("crc32/") + size.name;
        Register(group, "vorne", &Vorne, size.bytes);
        Register(group, "zlib", &Zlib, size.bytes);
        Register(group, "libdeflate", &Libdeflate, size.bytes);
        Register(group, "bytewise", &Bytewise, size.bytes);
    }
    for (Size size : {Size{"40KiB", 40u << 10}, Size{"64MiB", 64u << 20}}) {
        std::string group = std::string("crc32-portable/") + size.name;
        Register(group, "vorne", &Slicing8, size.bytes);
        Register(group, "bytewise", &Bytewise, size.bytes);
    }
    return true;
}();

}  // namespace
