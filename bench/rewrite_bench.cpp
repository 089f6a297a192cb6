// Changing a 64 MiB file. cut-tag: an MP3 tag cut off in place, against copying everything but
// the tag to a new file renamed over the old one. remove-trainer: the streamed rewrite through a
// temporary file, against holding the whole file in memory and writing it out again. Both sides
// sync the new file to disk and load the result; the file is put back (and synced) between
// iterations, untimed, in /tmp/vorne-bench/rewrite.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/mp3.h"
#include "formats/nes.h"
#include "images.h"
#include "platform/file.h"
#include "platform/rewrite.h"

namespace {

using vorne::samples::Bytes;

constexpr std::size_t kSize = std::size_t{64} << 20;
constexpr int kIterations = 8;

std::string Folder() {
    std::string folder = "/tmp/vorne-bench/rewrite";
    std::filesystem::create_directories(folder);
    return folder;
}

const Bytes& Mp3File() {
    static const Bytes bytes = [] {
        Bytes audio = vorne::samples::Filler(kSize, 3);
        Bytes tag = vorne::samples::MakeMp3({.frames = 1, .title = "Song"});
        audio.insert(audio.end(), tag.end() - 128, tag.end());
        return audio;
    }();
    return bytes;
}

const Bytes& NesFile() {
    static const Bytes bytes = [] {
        Bytes image = vorne::samples::MakeNes({.prgBanks = 1, .chrBanks = 0, .flags6 = 0x04});
        image.resize(16 + 512 + kSize, 0x5A);
        return image;
    }();
    return bytes;
}

// Runs `change` on a fresh copy of `original` each iteration; only `change` is timed.
template <typename Change>
void Timed(benchmark::State& state, const Bytes& original, const char* name, Change change) {
    const std::string path = Folder() + "/" + name;
    for (auto _ : state) {
        state.PauseTiming();
        vorne::samples::WriteFile(path, original);
        vorne::File::OpenRead(path).Sync();  // no write-back of the setup left to wait for
        state.ResumeTiming();
        change(path);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(original.size()));
    std::filesystem::remove(path);
}

void CutTagVorne(benchmark::State& state) {
    Timed(state, Mp3File(), "song.mp3", [](const std::string& path) {
        vorne::Mp3Tag reader;
        reader.LoadFile(path);
        reader.DeleteTag();
    });
}

void CutTagByCopy(benchmark::State& state) {
    Timed(state, Mp3File(), "song.mp3", [](const std::string& path) {
        vorne::Mp3Tag reader;
        reader.LoadFile(path);
        Bytes bytes = vorne::ReadWholeFile(path);
        bytes.resize(bytes.size() - 128);
        vorne::ReplaceFileContents(path, bytes);
    });
}

void RemoveTrainerVorne(benchmark::State& state) {
    Timed(state, NesFile(), "game.nes", [](const std::string& path) {
        vorne::NesHeader reader;
        reader.LoadFile(path);
        reader.RemoveTrainer();
    });
}

void RemoveTrainerInMemory(benchmark::State& state) {
    Timed(state, NesFile(), "game.nes", [](const std::string& path) {
        vorne::NesHeader reader;
        reader.LoadFile(path);
        Bytes bytes = vorne::ReadWholeFile(path);
        bytes[6] &= 0xFB;
        bytes.erase(bytes.begin() + 16, bytes.begin() + 16 + 512);
        vorne::ReplaceFileContents(path, bytes);
        reader.LoadFile(path);
    });
}

}  // namespace

BENCHMARK(CutTagVorne)->Name("rewrite/cut-tag-64MiB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(CutTagByCopy)->Name("rewrite/cut-tag-64MiB/copy-and-rename")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(RemoveTrainerVorne)->Name("rewrite/remove-trainer-64MiB/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(kIterations);
BENCHMARK(RemoveTrainerInMemory)
    ->Name("rewrite/remove-trainer-64MiB/whole-file-in-memory")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kIterations);
