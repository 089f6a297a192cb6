// Launching: a recording script stands in for an emulator and writes down its working folder,
// its arguments one per line, and the bytes of the file it was given.
#include "ui/launcher.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/inflate_stream_writer.h"
#include "main_dialog_fixture.h"
#include "support/temp_dir.h"
#include "ui/sort_list_ctrl.h"
#include "ui_test_support.h"
#include "zip_writer.h"

namespace vorne::ui::test {
namespace launcher_test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A program in a folder whose name has a blank: records into the file named by its first argument.
std::string WriteRecorder(const vorne::test::TempDir& dir) {
    const std::string path = dir.Write("emu dir/record.sh", {});
    std::ofstream(path) << "#!/bin/sh\n"
                           "out=\"$1\"; shift\n"
                           "pwd > \"$out\"\n"
                           "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out\"; done\n"
                           "for last; do :; done\n"
                           "cat \"$last\" > \"$out.content\"\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(LauncherParsing, MemberCopiesAreNamedByTheMembersBaseName) {
    const struct {
        std::string member;
        QString name;
    } members[] = {
        {"GAME.GB", "GAME.GB"}, {"sub/x.gb", "x.gb"}, {"../../x.gb", "x.gb"}, {"..", "member"},
        {"a\\b\\c.gb", "c.gb"}, {"dir/", "dir"}, {"", "member"},
    };
    for (const auto& m : members) EXPECT_EQ(MemberFileName(m.member), m.name) << m.member;
}

TEST(LauncherParsing, TheProgramSettingIsSplitAsAShellSplitsWords) {
    const struct {
        QString setting;
        QString program;
        QStringList arguments;
        QString folder;
    } cases[] = {
        {"/opt/emu/emu -fast", "/opt/emu/emu", {"-fast"}, "/opt/emu"},
        {"\"/opt/my emu/emu\" --full \"a b\"", "/opt/my emu/emu", {"--full", "a b"}, "/opt/my emu"},
        {"/bin/sh -c 'echo; rm -rf x'", "/bin/sh", {"-c", "echo; rm -rf x"}, "/bin"},
    };
    for (const auto& c : cases) {
        auto command = SplitProgramSetting(c.setting);
        ASSERT_TRUE(command) << c.setting.toStdString();
        EXPECT_EQ(command->program, c.program);
        EXPECT_EQ(command->arguments, c.arguments);
        EXPECT_EQ(command->workingFolder, c.folder);
    }
    const struct {
        QString command;
        QStringList words;
    } words[] = {
        {"emu a\\ b \"c \\\"d\\\" \\$e \\x\" 'f\\g'", {"emu", "a b", "c \"d\" $e \\x", "f\\g"}},
        {"  one\ttwo  ", {"one", "two"}},
        {"''", {""}},
        {"a'b'\"c\"d", {"abcd"}},
    };
    for (const auto& w : words) EXPECT_EQ(SplitShellWords(w.command), w.words) << w.command.toStdString();
    EXPECT_FALSE(SplitProgramSetting(QString()));
    EXPECT_FALSE(SplitProgramSetting(QStringLiteral("   ")));
}

TEST(Launcher, HandsTheFileToTheProgramAsOneArgumentInTheProgramsFolder) {
    vorne::test::TempDir dir;
    const std::string recorder = WriteRecorder(dir);
    const std::string out = dir / "record.txt";
    const std::string folder = dir / "roms";
    const std::string tricky = "-it's \"a\" game; $(touch pwned) `x` & *.gb";
    const struct {
        std::string file;  // on disk, under the folder
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"game.gb", {1, 2, 3}},
        {"sub dir/" + tricky, {4, 5}},
        {"Zelda <Beta>.gb", {6}},
        {"x.zip <y.gb>", {7}},
    };
    for (const auto& c : cases) {
        dir.Write("roms/" + c.file, c.bytes);
        Launcher launcher;
        QSignalSpy ended(&launcher, &Launcher::finished);
        const QString setting = QStringLiteral("'%1' '%2' --fast").arg(Q(recorder), Q(out));
        EXPECT_TRUE(launcher.Launch(folder, RowFile{c.file}, setting).isEmpty());
        ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; })) << c.file;
        EXPECT_EQ(ReadText(out), fs::path(recorder).parent_path().string() + "\n--fast\n" + folder + "/" + c.file + "\n");
        EXPECT_EQ(ReadText(out + ".content"), std::string(c.bytes.begin(), c.bytes.end()));
        EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
        EXPECT_EQ(launcher.Running(), 0);
    }
}

TEST(Launcher, AMemberGoesToAPrivateCopyUnderItsBaseNameThatIsGoneAfterwards) {
    vorne::test::TempDir dir;
    const std::string recorder = WriteRecorder(dir);
    const std::string out = dir / "record.txt";
    samples::ZipWriter zip;
    zip.Add({.name = "../../escape.gb", .data = {7, 7, 7}, .deflate = true});
    zip.Add({.name = "sub/GAME.GB", .data = {9, 8}});
    dir.Write("roms/pack.zip", zip.Finish());
    const struct {
        std::string member;
        std::int64_t entry;
    } members[] = {{"sub/GAME.GB", 1}, {"../../escape.gb", 0}};
    for (const auto& [member, entry] : members) {
        Launcher launcher;
        QSignalSpy ended(&launcher, &Launcher::finished);
        const QString setting = QStringLiteral("'%1' '%2'").arg(Q(recorder), Q(out));
        EXPECT_TRUE(launcher.Launch(dir / "roms", RowFile{"pack.zip", ArchiveMember{member, entry}}, setting).isEmpty()) << member;
        ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; }));
        std::string record = ReadText(out);
        const std::string copy = record.substr(record.find('\n') + 1, record.size() - record.find('\n') - 2);
        EXPECT_EQ(fs::path(copy).filename(), fs::path(member).filename()) << copy;
        EXPECT_EQ(fs::path(copy).parent_path().parent_path(), fs::path(QDir::tempPath().toStdString()));
        EXPECT_FALSE(fs::exists(copy)) << "the copy outlived the program";
        EXPECT_FALSE(fs::exists(fs::path(copy).parent_path()));
        EXPECT_EQ(ReadText(out + ".content").size(), member == "sub/GAME.GB" ? 2u : 3u);
    }
}

// How much data the process holds (its private writable memory), which RLIMIT_DATA limits.
std::uint64_t DataBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmData:")) return std::stoull(line.substr(7)) * 1024;
    }
    return 0;
}

// A member passes through a few buffers on its way into its copy: with far less memory left to
// the process than the member's size, it still arrives whole.
TEST(Launcher, AMemberIsCopiedOutWithoutBeingHeldInMemory) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a sanitizer's own memory does not stay within a data limit";
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
    GTEST_SKIP() << "a sanitizer's own memory does not stay within a data limit";
#endif
#endif
    // About 160 MiB of zeros: a zero, then copies of the 258 bytes before, in fixed codes.
    constexpr std::size_t kCopies = 650'000;
    constexpr std::size_t kMember = 1 + 258 * kCopies;
    vorne::test::TempDir dir;
    {
        vorne::test::BitWriter stream;
        stream.Put(1, 1).Put(1, 2).PutCode(0x30, 8);  // the final block, fixed codes; the literal 0
        for (std::size_t i = 0; i < kCopies; ++i) stream.PutCode(0xC5, 8).PutCode(0, 5);  // length 258, distance 1
        stream.PutCode(0, 7);  // the block's end
        samples::ZipWriter zip;
        zip.Add({.name = "BIG.N64", .data = std::vector<std::uint8_t>(kMember, 0), .deflated = stream.Bytes()});
        dir.Write("roms/pack.zip", zip.Finish());
    }
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(dir / "tmp"));
    fs::create_directories(dir / "tmp");
    const std::string out = dir / "size.txt";
    Launcher launcher;
    QSignalSpy ended(&launcher, &Launcher::finished);
    QSignalSpy failed(&launcher, &Launcher::failed);
    rlimit before{};
    ::getrlimit(RLIMIT_DATA, &before);
    rlimit limited = before;
    limited.rlim_cur = DataBytes() + (64u << 20);
    ASSERT_EQ(::setrlimit(RLIMIT_DATA, &limited), 0);
    EXPECT_TRUE(launcher.Launch(dir / "roms", RowFile{"pack.zip", ArchiveMember{"BIG.N64", 0}},
                                QStringLiteral("/bin/sh -c 'wc -c < \"$0\" > %1'").arg(Q(out)))
                    .isEmpty());
    const bool done = WaitFor([&] { return ended.count() + failed.count() > 0; }, 60000);
    ::setrlimit(RLIMIT_DATA, &before);
    if (oldTemp.isNull()) qunsetenv("TMPDIR"); else qputenv("TMPDIR", oldTemp);
    ASSERT_TRUE(done);
    ASSERT_EQ(failed.count(), 0) << failed.front().front().toString().toStdString();
    EXPECT_EQ(std::stoull(ReadText(out)), kMember);
}

TEST(Launcher, ALauncherThatGoesWhileAMemberIsCopiedLeavesNothingBehind) {
    vorne::test::TempDir dir;
    const std::string recorder = WriteRecorder(dir);
    const std::string out = dir / "record.txt";
    samples::ZipWriter zip;
    zip.Add({.name = "GAME.GB", .data = std::vector<std::uint8_t>(1 << 20, 0x5A), .deflate = true});
    dir.Write("roms/pack.zip", zip.Finish());
    // The copies go to a temporary folder of this test's own, which must be empty afterwards.
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(dir / "tmp"));
    fs::create_directories(dir / "tmp");
    {
        Launcher launcher;
        EXPECT_TRUE(launcher.Launch(dir / "roms", RowFile{"pack.zip", ArchiveMember{"GAME.GB", 0}},
                                    QStringLiteral("'%1' '%2'").arg(Q(recorder), Q(out)))
                        .isEmpty());
    }  // gone before the copy's start could be delivered
    QCoreApplication::processEvents();
    if (oldTemp.isNull()) qunsetenv("TMPDIR"); else qputenv("TMPDIR", oldTemp);
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    EXPECT_FALSE(fs::exists(out)) << "a program was started for a launcher that is gone";
}

TEST(Launcher, NothingStartsForAFileThatIsGoneOrAMemberThatCannotBeRead) {
    vorne::test::TempDir dir;
    const std::string recorder = WriteRecorder(dir);
    const std::string out = dir / "record.txt";
    samples::ZipWriter zip;
    zip.Add({.name = "GAME.GB", .data = {1}, .methodOverride = 12});  // a method we cannot read
    dir.Write("roms/pack.zip", zip.Finish());
    const QString setting = QStringLiteral("'%1' '%2'").arg(Q(recorder), Q(out));
    const struct {
        RowFile file;
        QString messageStart;
    } cases[] = {
        {{"gone.gb"}, Q(dir / "roms/gone.gb")},
        {{"pack.zip", ArchiveMember{"GAME.GB", 0}}, QStringLiteral("GAME.GB could not be read")},
        {{"pack.zip", ArchiveMember{"MISSING.GB", -1}}, QStringLiteral("MISSING.GB could not be read")},
        // The entry the row was listed from holds another member now.
        {{"pack.zip", ArchiveMember{"OTHER.GB", 0}}, QStringLiteral("OTHER.GB could not be read")},
        {{"gone.zip", ArchiveMember{"GAME.GB", 0}}, Q(dir / "roms/gone.zip")},
    };
    for (const auto& c : cases) {
        Launcher launcher;
        QSignalSpy failed(&launcher, &Launcher::failed);
        QSignalSpy started(&launcher, &Launcher::started);
        QString error = launcher.Launch(dir / "roms", c.file, setting);
        if (error.isEmpty()) {
            // A member is copied out on a thread of its own: its failure comes as a signal.
            ASSERT_TRUE(WaitFor([&] { return failed.count() + started.count() > 0; })) << FilenameText(c.file);
            ASSERT_EQ(failed.count(), 1) << FilenameText(c.file);
            error = failed.front().front().toString();
        }
        EXPECT_TRUE(error.startsWith(c.messageStart)) << error.toStdString();
        EXPECT_EQ(started.count(), 0);
        EXPECT_EQ(launcher.Running(), 0);
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(MainDialogTest, EnterLaunchesOnceAndTheWindowComesBack) {
    const std::string recorder = WriteRecorder(dir);
    const std::string out = dir / "record.txt";
    dir.Write("roms/a.gb", {5});
    settings.SetProgram(RomType::Gameboy, QStringLiteral("'%1' '%2'").arg(Q(recorder), Q(out)));
    Open(RomType::Gameboy, QString());
    Feed({GbRow("A", "a.gb")});
    QSignalSpy started(&window->GetLauncher(), &Launcher::started);
    QSignalSpy ended(&window->GetLauncher(), &Launcher::finished);
    window->List()->SelectOnly(0);
    window->List()->setFocus();
    QTest::keyClick(window->List(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; }));
    EXPECT_EQ(started.count(), 1);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(ReadText(out + ".content"), std::string(1, '\5'));
    EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
}  // namespace launcher_test
}  // namespace vorne::ui::test
