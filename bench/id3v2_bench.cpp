// MP3 files as they come today: each with an ID3v2.3 tag holding a 100 KiB picture and no ID3v1
// tag, so the scan reads the ID3v2 tag for its columns. scan: 20,000 such files against the scan
// of 20,000 files of the same audio with an ID3v1 tag only. mass-edit: a new title and comment for
// 10,000 such files (both tags in step, each file rewritten through a synced temporary file),
// against the floor of that rewrite: each file read, written whole to a synced temporary file and
// renamed over itself. Trees live in /tmp/vorne-bench/id3v2 and are kept for later runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/scan_queue.h"
#include "images.h"
#include "platform/file.h"
#include "tags/id3v2_write.h"
#include "tools/mass_tag_edit.h"

namespace {

using vorne::samples::Bytes;

constexpr int kScanFiles = 20'000;
constexpr int kEditFiles = 10'000;
constexpr int kFolders = 20;
constexpr std::size_t kPicture = 100 * 1024;

void PutBigEndian32(Bytes& out, std::size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// An ID3v2.3 tag with title, artist, album, year and genre and a front cover of 100 KiB.
Bytes Id3v2Tag(int i) {
    const std::vector<vorne::TagFieldChange> fields{{vorne::TagField::Title, "Song " + std::to_string(i % 5000)},
                                                    {vorne::TagField::Artist, "Band"},
                                                    {vorne::TagField::Album, "Album"},
                                                    {vorne::TagField::Year, "2026"},
                                                    {vorne::TagField::Genre, "Rock"}};
    Bytes tag = vorne::NewId3v2(fields);
    // The picture goes in front of the frames: APIC, ISO-8859-1, JPEG, front cover, no description.
    Bytes picture{'A', 'P', 'I', 'C'};
    const std::string head = std::string(1, '\0') + "image/jpeg" + std::string(1, '\0') + "\x03" + std::string(1, '\0');
    PutBigEndian32(picture, head.size() + kPicture);
    picture.insert(picture.end(), {0, 0});
    picture.insert(picture.end(), head.begin(), head.end());
    const Bytes data = vorne::samples::Filler(kPicture, static_cast<std::uint32_t>(i));
    picture.insert(picture.end(), data.begin(), data.end());
    tag.insert(tag.begin() + 10, picture.begin(), picture.end());
    const std::size_t size = tag.size() - 10;
    for (int k = 0; k < 4; ++k) tag[6 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((size >> (7 * (3 - k))) & 0x7F);
    return tag;
}

Bytes Audio(int i) { return vorne::samples::MakeMp3({.frames = 8, .tagged = false, .seed = static_cast<std::uint32_t>(i)}); }

Bytes Id3v1Only(int i) {
    Bytes file = Audio(i);
    const Bytes tagged = vorne::samples::MakeMp3({.frames = 1, .title = "Song " + std::to_string(i % 5000), .artist = "Band",
                                                  .album = "Album", .year = "2026", .genre = 17});
    file.insert(file.end(), tagged.end() - 128, tagged.end());
    return file;
}

Bytes Id3v2Only(int i) {
    Bytes file = Id3v2Tag(i);
    const Bytes audio = Audio(i);
    file.insert(file.end(), audio.begin(), audio.end());
    return file;
}

std::string PathOf(const std::string& root, int i) {
    return root + "/folder" + std::to_string(i % kFolders) + "/song" + std::to_string(i) + ".mp3";
}

// Makes the tree once (later runs reuse it) and reads it once, so the page cache is warm.
std::string Prepare(const std::string& name, int files, Bytes (*make)(int)) {
    const std::string root = "/tmp/vorne-bench/id3v2/" + name;
    const std::string marker = root + "/.complete";
    if (!std::filesystem::exists(marker)) {
        std::filesystem::remove_all(root);
        for (int i = 0; i < files; ++i) vorne::samples::WriteFile(PathOf(root, i), make(i));
        std::ofstream(marker) << "done\n";
    }
    for (int i = 0; i < files; ++i) benchmark::DoNotOptimize(vorne::ReadWholeFile(PathOf(root, i)).size());
    return root;
}

void Scan(benchmark::State& state, const std::string& name, Bytes (*make)(int)) {
    const std::string root = Prepare(name, kScanFiles, make);
    auto switches = std::make_shared<vorne::ScanSwitches>();
    switches->subfolders = true;
    for (auto _ : state) {
        vorne::Catalogue catalogue;
        catalogue.ChooseKind(vorne::RomType::Mp3);
        vorne::RunScan(catalogue, {vorne::RomType::Mp3, root, switches, ""});
        if (catalogue.EntryCount() != kScanFiles) state.SkipWithError("the scan did not list every file");
    }
    state.SetItemsProcessed(state.iterations() * kScanFiles);
}

class NoReport final : public vorne::ToolReport {
public:
    void Status(int, std::string) override {}
    bool Ask(std::string_view, std::string_view) override { return false; }
    void Message(std::string_view, std::string_view) override {}
    void Skipped(std::string_view, std::string_view) override {}
    void Failed(std::string_view, std::string_view) override { ++failed; }
    int failed = 0;
};

void MassEdit(benchmark::State& state) {
    const std::string root = Prepare("edit-10000", kEditFiles, Id3v2Only);
    std::vector<vorne::CatalogRow> rows(kEditFiles);
    for (int i = 0; i < kEditFiles; ++i) rows[static_cast<std::size_t>(i)].file.path = PathOf(root, i);
    int round = 0;
    for (auto _ : state) {
        vorne::MassTagValues values;
        values[vorne::Mp3Field::Title] = "Edited " + std::to_string(round++);
        values[vorne::Mp3Field::Comment] = "mass edit";
        NoReport report;
        if (vorne::MassEditTags("", rows, values, report) != kEditFiles || report.failed) {
            state.SkipWithError("the mass edit did not write every file");
        }
    }
    state.SetItemsProcessed(state.iterations() * kEditFiles);
}

void RewriteFloor(benchmark::State& state) {
    const std::string root = Prepare("edit-10000", kEditFiles, Id3v2Only);
    for (auto _ : state) {
        for (int i = 0; i < kEditFiles; ++i) {
            const std::string path = PathOf(root, i), temp = path + ".tmp";
            const Bytes bytes = vorne::ReadWholeFile(path);
            const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            vorne::File out = vorne::File::Adopt(fd, temp);
            out.WriteAt(0, bytes);
            out.Sync();
            out.Close();
            std::filesystem::rename(temp, path);
            const int folder = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::fsync(folder);
            ::close(folder);
        }
    }
    state.SetItemsProcessed(state.iterations() * kEditFiles);
}

BENCHMARK_CAPTURE(Scan, id3v2, std::string("scan-id3v2-20000"), Id3v2Only)
    ->Name("id3v2/scan-20000/vorne")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Scan, id3v1, std::string("scan-id3v1-20000"), Id3v1Only)
    ->Name("id3v2/scan-20000/id3v1-only-scan")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MassEdit)->Name("id3v2/mass-edit-10000/vorne")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(RewriteFloor)->Name("id3v2/mass-edit-10000/rewrite-floor")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
