// Decoding speed of InflateDecoder against zlib and libdeflate on three kinds of data, each a few
// MiB, compressed raw by zlib at levels 1, 6 and 9.
//   inflate/<corpus>/L<level>/{vorne,zlib,libdeflate}   decoding into a buffer of known size
//   inflate-window/<corpus>/L<level>/{vorne,zlib}       ours through the 32 KiB window and a sink
//                                                       that appends to the output, as the zip
//                                                       reader's does; zlib as before
// Each iteration is timed by the thread's CPU clock (reported as manual time), so that other work
// sharing the machine's cores does not count against whichever decoder it happened to interrupt.
#include "archive/inflate.h"
#include "support/zlib_deflate.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCorpusSize = std::size_t{4} << 20;

// English-like prose: words drawn with Zipf-like frequencies, sentences and paragraphs.
Bytes MakeText() {
    static const char* const kWords[] = {
        "the", "of", "and", "to", "a", "in", "is", "it", "you", "that", "he", "was", "for", "on", "are",
        "with", "as", "his", "they", "be", "at", "one", "have", "this", "from", "or", "had", "by", "hot",
        "word", "but", "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up",
        "use", "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if", "will",
        "way", "about", "many", "then", "them", "write", "would", "like", "so", "these", "her", "long",
        "make", "thing", "see", "him", "two", "has", "look", "more", "day", "could", "go", "come", "did",
        "number", "sound", "no", "most", "people", "my", "over", "know", "water", "than", "call", "first",
        "who", "may", "down", "side", "been", "now", "find", "any", "new", "work", "part", "take", "get",
        "place", "made", "live", "where", "after", "back", "little", "only", "round", "man", "year",
        "came", "show", "every", "good", "me", "give", "our", "under", "name", "very", "through", "just",
        "form", "sentence", "great", "think", "say", "help", "low", "line", "differ", "turn", "cause",
        "much", "mean", "before", "move", "right", "boy", "old", "too", "same", "tell", "does", "set",
        "three", "want", "air", "well", "also", "play", "small", "end", "put", "home", "read", "hand",
        "port", "large", "spell", "add", "even", "land", "here", "must", "big", "high", "such", "follow",
        "act", "why", "ask", "men", "change", "went", "light", "kind", "off", "need", "house", "picture",
        "try", "us", "again", "animal", "point", "mother", "world", "near", "build", "self", "earth",
        "father", "cartridge", "emulator", "collection", "archive", "header", "checksum", "version"};
    constexpr std::size_t kCount = std::size(kWords);
    std::vector<double> weights(kCount);
    for (std::size_t i = 0; i < kCount; ++i) weights[i] = 1.0 / std::pow(static_cast<double>(i + 1), 0.9);
    std::mt19937 random(2024);
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
    std::string text;
    while (text.size() < kCorpusSize) {
        const int sentences = 3 + static_cast<int>(random() % 6);
        for (int s = 0; s < sentences; ++s) {
            const int words = 5 + static_cast<int>(random() % 16);
            for (int w = 0; w < words; ++w) {
                std::string word = kWords[pick(random)];
                if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
                text += word;
                if (w + 1 == words) text += random() % 8 == 0 ? "? " : ". ";
                else text += random() % 11 == 0 ? ", " : " ";
            }
        }
        text += "\n\n";
    }
    text.resize(kCorpusSize);
    return {text.begin(), text.end()};
}

// Machine code and data: this executable, then programs from /usr/bin in name order.
Bytes MakeBinaries() {
    Bytes data;
    auto append = [&](const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        data.insert(data.end(), std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    append("/proc/self/exe");
    std::vector<std::filesystem::path> programs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/bin", error)) {
        if (entry.is_regular_file(error) && !entry.is_symlink(error)) programs.push_back(entry.path());
    }
    std::sort(programs.begin(), programs.end());
    for (const auto& path : programs) {
        if (data.size() >= kCorpusSize) break;
        append(path);
    }
    data.resize(kCorpusSize);  // should /usr/bin be nearly empty, zeros make up the rest
    return data;
}

// Cartridge-like: padding runs, 8x8 tiles (16 bytes at 2 bits a pixel) repeated from a tile set,
// code-like byte patterns and stretches of random bytes (compressed graphics, samples).
Bytes MakeRom() {
    std::mt19937 random(1987);
    std::array<std::array<std::uint8_t, 16>, 96> tiles;
    for (auto& tile : tiles) {
        for (std::size_t row = 0; row < 8; ++row) {
            const auto plane = static_cast<std::uint8_t>(random() & random());  // sparse pixels
            tile[2 * row] = plane;
            tile[2 * row + 1] = static_cast<std::uint8_t>(row % 3 == 0 ? plane : random() & 0x3C);
        }
    }
    static const std::uint8_t kOpcodes[] = {0xA9, 0xAD, 0x8D, 0x85, 0xA5, 0x20, 0x60, 0x4C, 0xD0, 0xF0,
                                            0xE8, 0xC8, 0x18, 0x69, 0xC9, 0x29, 0x0A, 0x4A, 0xAA, 0x98};
    Bytes data;
    while (data.size() < kCorpusSize) {
        const unsigned kind = random() % 10;
        if (kind < 2) {  // padding
            data.insert(data.end(), 16 + random() % 4096, random() % 2 ? 0xFF : 0x00);
        } else if (kind < 5) {  // a tile map's worth of tiles, drawn from a few of the set
            const std::size_t base = random() % 80;
            for (int n = 64 + static_cast<int>(random() % 512); n > 0; --n) {
                const auto& tile = tiles[base + random() % 16];
                data.insert(data.end(), tile.begin(), tile.end());
            }
        } else if (kind < 8) {  // code: opcodes with operands, often the same few addresses
            for (int n = 200 + static_cast<int>(random() % 2000); n > 0; --n) {
                data.push_back(kOpcodes[random() % std::size(kOpcodes)]);
                data.push_back(static_cast<std::uint8_t>(random() % 4 == 0 ? random() : 0x20 + random() % 16));
                if (random() % 2) data.push_back(static_cast<std::uint8_t>(0x80 + random() % 8));
            }
        } else {  // random
            for (int n = 1024 + static_cast<int>(random() % 8192); n > 0; --n) {
                data.push_back(static_cast<std::uint8_t>(random()));
            }
        }
    }
    data.resize(kCorpusSize);
    return data;
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Times one iteration's work on the thread's CPU clock.
template <class Work>
void Timed(benchmark::State& state, Work work) {
    const double start = ThreadSeconds();
    work();
    state.SetIterationTime(ThreadSeconds() - start);
}

struct Corpus {
    Bytes plain;
    std::map<int, Bytes> compressed;  // by level
};

// Made on first use, so that a filter excluding these benchmarks costs nothing.
const Corpus& GetCorpus(const std::string& name) {
    static std::map<std::string, Corpus> corpora;
    auto [it, made] = corpora.try_emplace(name);
    if (made) {
        it->second.plain = name == "text" ? MakeText() : name == "binary" ? MakeBinaries() : MakeRom();
        for (int level : {1, 6, 9}) it->second.compressed[level] = vorne::test::ZlibDeflateRaw(it->second.plain, level);
    }
    return it->second;
}

void Finish(benchmark::State& state, const Corpus& corpus, int level, const Bytes& output) {
    if (output != corpus.plain) state.SkipWithError("decoded bytes differ from the original");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus.plain.size()));
    state.counters["ratio"] = static_cast<double>(corpus.plain.size()) /
                              static_cast<double>(corpus.compressed.at(level).size());
}

void Vorne(benchmark::State& state, const std::string& name, int level) {
    const Corpus& corpus = GetCorpus(name);
    const Bytes& input = corpus.compressed.at(level);
    Bytes output(corpus.plain.size());
    for (auto _ : state) {
        Timed(state, [&] {
            const vorne::InflateIntoResult r = vorne::InflateInto(input, output);
            if (r.result != vorne::InflateResult::Ok || r.produced != output.size()) state.SkipWithError("failed");
        });
        benchmark::DoNotOptimize(output.data());
    }
    Finish(state, corpus, level, output);
}

void VorneWindow(benchmark::State& state, const std::string& name, int level) {
    const Corpus& corpus = GetCorpus(name);
    const Bytes& input = corpus.compressed.at(level);
    Bytes output(corpus.plain.size());
    auto window = std::make_unique<std::array<std::uint8_t, vorne::kInflateWindowSize>>();
    for (auto _ : state) {
        Timed(state, [&] {
            std::size_t at = 0;
            const vorne::InflateResult r = vorne::Inflate(input, *window, [&](std::span<const std::uint8_t> bytes) {
                const std::size_t n = std::min(bytes.size(), output.size() - at);
                std::memcpy(output.data() + at, bytes.data(), n);
                at += n;
            });
            if (r != vorne::InflateResult::Ok || at != output.size()) state.SkipWithError("failed");
        });
        benchmark::DoNotOptimize(output.data());
    }
    Finish(state, corpus, level, output);
}

void Zlib(benchmark::State& state, const std::string& name, int level) {
    const Corpus& corpus = GetCorpus(name);
    const Bytes& input = corpus.compressed.at(level);
    Bytes output(corpus.plain.size());
    z_stream z{};
    inflateInit2(&z, -15);
    for (auto _ : state) {
        Timed(state, [&] {
            inflateReset(&z);
            z.next_in = const_cast<Bytef*>(input.data());
            z.avail_in = static_cast<uInt>(input.size());
            z.next_out = output.data();
            z.avail_out = static_cast<uInt>(output.size());
            if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("failed");
        });
        benchmark::DoNotOptimize(output.data());
    }
    inflateEnd(&z);
    Finish(state, corpus, level, output);
}

void Libdeflate(benchmark::State& state, const std::string& name, int level) {
    const Corpus& corpus = GetCorpus(name);
    const Bytes& input = corpus.compressed.at(level);
    Bytes output(corpus.plain.size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    for (auto _ : state) {
        Timed(state, [&] {
            std::size_t produced = 0;
            if (libdeflate_deflate_decompress(d, input.data(), input.size(), output.data(), output.size(),
                                              &produced) != LIBDEFLATE_SUCCESS) {
                state.SkipWithError("failed");
            }
        });
        benchmark::DoNotOptimize(output.data());
    }
    libdeflate_free_decompressor(d);
    Finish(state, corpus, level, output);
}

const bool registered = [] {
    for (const std::string corpus : {"text", "binary", "rom"}) {
        for (int level : {1, 6, 9}) {
            const std::string group = corpus + "/L" + std::to_string(level);
            auto add = [&](const std::string& name, auto function) {
                benchmark::RegisterBenchmark(name.c_str(), function, corpus, level)->UseManualTime();
            };
            add("inflate/" + group + "/vorne", Vorne);
            add("inflate/" + group + "/zlib", Zlib);
            add("inflate/" + group + "/libdeflate", Libdeflate);
            add("inflate-window/" + group + "/vorne", VorneWindow);
            add("inflate-window/" + group + "/zlib", Zlib);
        }
    }
    return true;
}();

}  // namespace
