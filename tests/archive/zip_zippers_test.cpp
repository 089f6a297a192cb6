// Archives made at test time by the zippers people actually use: every member they store or
// deflate must come out exactly as unzip gives it, through ReadMember and through vorne-cli
// extract; members packed by methods we do not read must fail cleanly. A zipper that is not
// installed skips its test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <random>

#include "archive/zip_format.h"
#include "archive/zip_reader.h"
#include "archive/zip_walk.h"
#include "base/text_rules.h"
#include "images.h"
#include "platform/file.h"
#include "support/temp_dir.h"

namespace vorne {
namespace zip_zippers_test {
namespace {

using samples::Bytes;
using Contents = std::map<std::string, Bytes>;  // member name -> bytes

bool OnPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + tool;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Runs a shell command; its exit status.
int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The files every zipper packs: text, random bytes, an NES image of a few hundred KiB, an empty
// file and 100 KiB of zeros.
const Contents& Sources() {
    static const Contents sources = [] {
        Contents c;
        std::string text;
        for (int i = 0; i < 600; ++i) text += "Line " + std::to_string(i) + " of a plain text file, with words that repeat.\n";
        c["text.txt"] = Text(text);
        std::mt19937 random(20261208);
        Bytes noise(50 * 1024);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        c["random.bin"] = noise;
        c["game.nes"] = samples::MakeNes({.prgBanks = 16, .chrBanks = 16, .flags6 = 0x01, .seed = 77});
        c["empty.dat"] = {};
        c["zeros.bin"] = Bytes(100 * 1024, 0);
        return c;
    }();
    return sources;
}

std::string SourceList() {
    std::string list;
    for (const auto& [name, bytes] : Sources()) list += " " + Quote(name);
    return list;
}

struct Tally {
    int read = 0;         // members read, equal to unzip's bytes
    int unsupported = 0;  // members refused for their method
    int described = 0;    // members with a data descriptor
    int folders = 0;
};

class Zippers : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& [name, bytes] : Sources()) dir.Write("in/" + name, bytes);
        ::mkdir((dir / "out").c_str(), 0755);
    }

    // Runs `command` in the folder of the sources; the archive it makes is out/<archive>.
    std::string Make(const std::string& archive, const std::string& command) {
        std::string path = dir / ("out/" + archive);
        EXPECT_EQ(Shell("cd " + Quote(dir / "in") + " && ( " + command + " ) >/dev/null 2>" + Quote(dir / "out/stderr")), 0)
            << command << "\n" << Slurp(dir / "out/stderr");
        return path;
    }

    static std::string Slurp(const std::string& path) {
        Bytes b = test::ReadFile(path);
        return std::string(b.begin(), b.end());
    }

    // Reads every member the directory names, compares it with unzip's output and with
    // `expected`, and has vorne-cli extract it to standard output and to a file.
    Tally CheckEveryMember(const std::string& archive, const Contents& expected) {
        Tally tally;
        ZipStatus opened;
        auto zip = ZipArchive::Open(archive, opened);
        EXPECT_TRUE(zip && opened.Ok()) << archive << ": " << opened.Reason();
        if (!zip || !opened.Ok()) return tally;
        // The Zip kind lists the same members, from the directory, with their real sizes.
        const ZipListing listing = ListZipMembers(zip->Archive());
        EXPECT_TRUE(listing.fromDirectory) << archive;
        EXPECT_EQ(listing.members.size(), zip->Entries().size()) << archive;
        for (std::size_t i = 0; i < std::min(listing.members.size(), zip->Entries().size()); ++i) {
            EXPECT_EQ(listing.members[i].name, zip->Entries()[i].name) << archive;
            EXPECT_NE(listing.members[i].uncompressedSize, kZip64Marker32) << archive;
            EXPECT_NE(listing.members[i].compressedSize, kZip64Marker32) << archive;
        }
        std::map<std::string, int> seen;
        for (const ZipDirectoryEntry& entry : zip->Entries()) {
            const std::string& name = entry.name;
            if (name.ends_with('/')) {
                ++tally.folders;
                continue;
            }
            ++seen[name];
            std::array<std::uint8_t, ZipLocalHeader::kSize> fixed{};
            zip->Archive().ReadAt(entry.localHeaderOffset, fixed);
            if (DecodeLocalHeader(fixed).flags & kZipFlagDataDescriptor) ++tally.described;

            MemberData read;
            const ZipStatus status = ReadMember(archive, name, read);
            const std::vector<std::string>& lines = status.lines;
            const bool ok = status.Ok();
            const Bytes data = read.ToVector();
            const test::CommandResult toStdout = test::RunCli({"extract", archive, name});
            const std::string outFile = dir / "out/extracted";
            ::unlink(outFile.c_str());
            const test::CommandResult toFile = test::RunCli({"extract", archive, name, "-o", outFile});

            if (entry.method != kZipMethodStored && entry.method != kZipMethodDeflated) {
                ++tally.unsupported;
                EXPECT_FALSE(ok) << archive << " " << name;
                if (lines.empty()) {
                    ADD_FAILURE() << "no diagnostics for " << archive << " " << name;
                    continue;
                }
                EXPECT_NE(lines[0].find("compression method for file " + ToUpperAscii(name) + " unsupported"), std::string::npos) << lines[0];
                EXPECT_NE(toStdout.exitCode, 0);
                EXPECT_EQ(toStdout.out, "");
                EXPECT_NE(toStdout.err.find("unsupported"), std::string::npos) << toStdout.err;
                EXPECT_NE(toFile.exitCode, 0);
                EXPECT_FALSE(::access(outFile.c_str(), F_OK) == 0) << "a file was written for " << name;
                continue;
            }
            const std::string unzipped = dir / "out/unzipped";
            // unzip warns (status 1) of bytes in front of an archive whose offsets do not count them.
            EXPECT_LE(Shell("unzip -p " + Quote(archive) + " " + Quote(name) + " > " + Quote(unzipped) + " 2>/dev/null"), 1) << name;
            const Bytes reference = test::ReadFile(unzipped);

            EXPECT_TRUE(ok) << archive << " " << name << (lines.empty() ? "" : ": " + lines[0]);
            EXPECT_EQ(data.size(), reference.size()) << archive << " " << name;
            EXPECT_TRUE(data == reference) << archive << " " << name;
            if (auto it = expected.find(name); it != expected.end()) {
                EXPECT_TRUE(reference == it->second) << "unzip disagrees with the source of " << name;
            } else {
                ADD_FAILURE() << archive << " holds an unexpected member " << name;
            }
            EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
            EXPECT_TRUE(Text(toStdout.out) == reference) << archive << " " << name;
            EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
            EXPECT_EQ(toFile.out, "");
            EXPECT_TRUE(test::ReadFile(outFile) == reference) << archive << " " << name;
            if (ok && data == reference) ++tally.read;
        }
        for (const auto& [name, bytes] : expected) EXPECT_EQ(seen[name], 1) << archive << " should hold " << name;
        return tally;
    }

    test::TempDir dir;
};

// Sources under a folder prefix, for archives made of a folder tree.
Contents Under(const std::string& prefix, std::initializer_list<const char*> names) {
    Contents c;
    for (const char* name : names) c[prefix + name] = Sources().at(name);
    return c;
}

TEST_F(Zippers, InfoZip) {
    if (!OnPath("zip") || !OnPath("unzip")) GTEST_SKIP() << "zip or unzip is not installed";
    const int files = static_cast<int>(Sources().size());
    for (const char* level : {"-0", "-1", "-6", "-9"}) {
        std::string archive = Make(std::string("zip") + level + ".zip", std::string("zip -q ") + level + " ../out/zip" + level + ".zip" + SourceList());
        EXPECT_EQ(CheckEveryMember(archive, Sources()).read, files) << level;
    }

    // Read from a pipe and written to one: the member "-" has its sizes in a data descriptor.
    // Without Zip64 its entry asks for version 2.0.
    std::string streamed = Make("zip-stdin.zip", "zip -q -fz- - - < game.nes | cat > ../out/zip-stdin.zip");
    Tally t = CheckEveryMember(streamed, {{"-", Sources().at("game.nes")}});
    EXPECT_EQ(t.read, 1);
    EXPECT_EQ(t.described, 1);

    std::string commented = Make("zip-comment.zip", "echo 'A comment on the whole archive' | zip -q -z ../out/zip-comment.zip text.txt zeros.bin");
    Bytes bytes = test::ReadFile(commented);
    EXPECT_NE(std::string(bytes.end() - 40, bytes.end()).find("A comment on the whole archive"), std::string::npos);
    EXPECT_EQ(CheckEveryMember(commented, Under("", {"text.txt", "zeros.bin"})).read, 2);

    // A folder tree, with an empty folder.
    std::string tree = Make("zip-r.zip",
                            "mkdir -p tree/sub/deeper tree/empty && cp text.txt tree/ && cp game.nes tree/sub/ && "
                            "cp zeros.bin empty.dat tree/sub/deeper/ && zip -q -r ../out/zip-r.zip tree");
    Contents inTree = Under("tree/", {"text.txt"});
    inTree.merge(Under("tree/sub/", {"game.nes"}));
    inTree.merge(Under("tree/sub/deeper/", {"zeros.bin", "empty.dat"}));
    t = CheckEveryMember(tree, inTree);
    EXPECT_EQ(t.read, 4);
    EXPECT_EQ(t.folders, 4);  // tree/, tree/sub/, tree/sub/deeper/, tree/empty/
}

// Zip64 archives: forced with -fz (zip64 extra fields everywhere, and zip64 end records), and
// streamed from standard input (zip's default for input of unknown length), where only the local
// header says zip64 and the entry asks for version 4.5. Every member reads, and the listing shows
// its real sizes.
TEST_F(Zippers, InfoZipZip64) {
    if (!OnPath("zip") || !OnPath("unzip")) GTEST_SKIP() << "zip or unzip is not installed";
    const int files = static_cast<int>(Sources().size());
    for (const char* level : {"-0", "-6"}) {
        std::string name = std::string("zip-fz") + level + ".zip";
        std::string archive = Make(name, std::string("zip -q -fz ") + level + " ../out/" + name + SourceList());
        Bytes bytes = test::ReadFile(archive);
        EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin("PK\x06\x06"), std::end("PK\x06\x06") - 1), bytes.end())
            << "no zip64 end record";
        EXPECT_EQ(CheckEveryMember(archive, Sources()).read, files) << level;
    }
    std::string streamed = Make("zip64-stdin.zip", "zip -q - - < game.nes | cat > ../out/zip64-stdin.zip");
    Tally t = CheckEveryMember(streamed, {{"-", Sources().at("game.nes")}});
    EXPECT_EQ(t.read, 1);
    EXPECT_EQ(t.described, 1);
}

// A self-extracting archive: a program in front of the archive, with offsets that count it (as
// zip -A leaves them) or not (as the bytes were put in front).
TEST_F(Zippers, SelfExtracting) {
    if (!OnPath("zip") || !OnPath("unzip")) GTEST_SKIP() << "zip or unzip is not installed";
    const int files = static_cast<int>(Sources().size());
    dir.Write("in/stub.sh", Text("#!/bin/sh\necho 'a self-extracting archive would unpack itself here'\nexit 0\n"));
    Make("plain.zip", "zip -q ../out/plain.zip" + SourceList());
    std::string prefixed = Make("sfx.zip", "cat stub.sh ../out/plain.zip > ../out/sfx.zip");
    EXPECT_EQ(CheckEveryMember(prefixed, Sources()).read, files);
    std::string adjusted = Make("sfx-A.zip", "cp ../out/sfx.zip ../out/sfx-A.zip && zip -q -A ../out/sfx-A.zip");
    EXPECT_EQ(CheckEveryMember(adjusted, Sources()).read, files);
}

TEST_F(Zippers, SevenZip) {
    if (!OnPath("7z") || !OnPath("unzip")) GTEST_SKIP() << "7z or unzip is not installed";
    const int files = static_cast<int>(Sources().size());
    for (const char* method : {"Deflate", "Copy"}) {
        std::string name = std::string("7z-") + method + ".zip";
        std::string archive = Make(name, std::string("7z a -tzip -mm=") + method + " ../out/" + name + SourceList());
        EXPECT_EQ(CheckEveryMember(archive, Sources()).read, files) << method;
    }
    // Methods we do not read: the members 7z packs with them fail with a nonzero result; those
    // it keeps stored (the empty file, the random bytes) still read.
    for (const char* method : {"Deflate64", "BZip2", "LZMA"}) {
        std::string name = std::string("7z-") + method + ".zip";
        std::string archive = Make(name, std::string("7z a -tzip -mm=") + method + " ../out/" + name + SourceList());
        Tally t = CheckEveryMember(archive, Sources());
        EXPECT_GE(t.unsupported, 3) << method;
        EXPECT_EQ(t.read + t.unsupported, files) << method;
    }
}

TEST_F(Zippers, Bsdtar) {
    if (!OnPath("bsdtar") || !OnPath("unzip")) GTEST_SKIP() << "bsdtar or unzip is not installed";
    const int files = static_cast<int>(Sources().size());
    for (const char* compression : {"store", "deflate"}) {
        std::string name = std::string("bsdtar-") + compression + ".zip";
        std::string archive =
            Make(name, std::string("bsdtar --format zip --options zip:compression=") + compression + " -cf ../out/" + name + SourceList());
        Tally t = CheckEveryMember(archive, Sources());
        EXPECT_EQ(t.read, files) << compression;
    }
}

const char* const kPythonZipper = R"(
import sys, zipfile
mode, out, files = sys.argv[1], sys.argv[2], sys.argv[3:]
if mode == 'zip64end':
    zipfile.ZIP_FILECOUNT_LIMIT = 2  # more members than this take zip64 end records
methods = {'stored': zipfile.ZIP_STORED, 'bzip2': zipfile.ZIP_BZIP2, 'lzma': zipfile.ZIP_LZMA}
method = methods.get(mode, zipfile.ZIP_DEFLATED)
target = sys.stdout.buffer if mode == 'stream' else out
def names_for(f):
    # names that once ended the Zip kind's listing: a first byte of 0x80 and above (as UTF-8
    # names have), and lengths around and past 256 and 260
    if f == 'text.txt':
        return ['\u00c9clair ' + f]
    if f == 'game.nes':
        return ['d' * 250 + '/' + 'n' * 6 + '.nes', 'e' * 255 + '/' + f]
    if f == 'random.bin':
        return ['r' * 200 + '/' + 's' * 59 + '.bin', 'x' * 150 + '/' + 'y' * 150 + '/' + f]
    return [f]

with zipfile.ZipFile(target, 'w', compression=method) as z:
    if mode == 'comment':
        z.comment = b'Written by zipfile'
    if mode == 'folders':
        z.writestr('folder/', b'')
        z.writestr('folder/empty/', b'')
    for f in files:
        name = 'folder/' + f if mode == 'folders' else f
        if mode == 'stream':
            with z.open(name, 'w') as w, open(f, 'rb') as r:
                w.write(r.read())
        elif mode == 'zip64':
            with z.open(name, 'w', force_zip64=True) as w, open(f, 'rb') as r:
                w.write(r.read())
        elif mode == 'names':
            with open(f, 'rb') as r:
                data = r.read()
            for long_name in names_for(f):
                z.writestr(long_name, data)
        else:
            z.write(f, name)
)";

TEST_F(Zippers, PythonZipfile) {
    if (!OnPath("python3") || !OnPath("unzip")) GTEST_SKIP() << "python3 or unzip is not installed";
    if (Shell("python3 -c 'import zipfile, bz2, lzma' 2>/dev/null") != 0) GTEST_SKIP() << "python3 lacks zipfile, bz2 or lzma";
    dir.Write("zipper.py", Text(kPythonZipper));
    const std::string script = Quote(dir / "zipper.py");
    const int files = static_cast<int>(Sources().size());
    // The names the "names" mode gives, as the script spells them.
    Contents named = Under("", {"empty.dat", "zeros.bin"});
    named["\xC3\x89" "clair text.txt"] = Sources().at("text.txt");
    named[std::string(250, 'd') + "/nnnnnn.nes"] = Sources().at("game.nes");
    named[std::string(255, 'e') + "/game.nes"] = Sources().at("game.nes");
    named[std::string(200, 'r') + "/" + std::string(59, 's') + ".bin"] = Sources().at("random.bin");
    named[std::string(150, 'x') + "/" + std::string(150, 'y') + "/random.bin"] = Sources().at("random.bin");
    for (const char* mode : {"stored", "deflated", "comment", "folders", "stream", "zip64", "zip64end", "names", "bzip2", "lzma"}) {
        std::string name = std::string("py-") + mode + ".zip";
        std::string command = "python3 " + script + " " + mode + " ../out/" + name + SourceList();
        // Written to a pipe, which cannot seek back: every member gets a data descriptor.
        if (std::string(mode) == "stream") command += " | cat > ../out/" + name;
        std::string archive = Make(name, command);
        Contents expected = std::string(mode) == "folders" ? Under("folder/", {"text.txt", "random.bin", "game.nes", "empty.dat", "zeros.bin"})
                            : std::string(mode) == "names" ? named
                                                           : Sources();
        Tally t = CheckEveryMember(archive, expected);
        if (std::string(mode) == "bzip2" || std::string(mode) == "lzma") {
            EXPECT_EQ(t.unsupported, files) << mode;
            continue;
        }
        EXPECT_EQ(t.read, static_cast<int>(expected.size())) << mode;
        if (std::string(mode) == "stream") {
            EXPECT_EQ(t.described, files);
        }
        if (std::string(mode) == "folders") {
            EXPECT_EQ(t.folders, 2);
        }
        if (std::string(mode) == "comment") {
            Bytes bytes = test::ReadFile(archive);
            EXPECT_EQ(std::string(bytes.end() - 18, bytes.end()), "Written by zipfile");
        }
    }
}

}  // namespace
}  // namespace zip_zippers_test
}  // namespace vorne
