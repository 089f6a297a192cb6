// File names that hold '<' and '>' (ordinary characters on Linux) through every window command
// that takes a row's file: Delete, Launch, Edit Item and the NES tools of the selection. Each must
// act on exactly the file its row lists, never on a namesake, a prefix or an archive.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "edit_dialog_fixture.h"
#include "images.h"
#include "main_dialog_fixture.h"
#include "ui/batch_commands.h"
#include "ui/main_menu.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/nes_edit_dialog.h"
#include "zip_writer.h"

namespace vorne::ui::test {
namespace hostile_names_test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, samples::Bytes>;

// A trainer and a dirty header, so that both tools change any image they are given.
samples::Bytes Image(std::uint32_t seed) {
    return samples::MakeNes({.flags6 = 0x04, .bytes7to15 = {'D', 'i', 's', 'k', 'D', 'u', 'd', 'e', '!'}, .seed = seed});
}

samples::Bytes Zip(const std::vector<std::pair<std::string, samples::Bytes>>& members) {
    samples::ZipWriter zip;
    for (const auto& [name, data] : members) zip.Add({.name = name, .data = data});
    return zip.Finish();
}

// The folder: each listed file beside the namesakes a reading of column 1 would hit instead.
Files Collection() {
    return {
        {"Zelda <Beta>.nes", Image(1)},
        {"Zelda", Image(11)},
        {"a<b>c.nes", Image(2)},
        {"x.zip <y.nes>.nes", Image(3)},  // "x.zip <y.nes>" itself is of no kind
        {"x.zip", Zip({{"y.nes", Image(13)}})},
        {">.nes", Image(4)},
        {"<.nes", Image(5)},
        {"Nintendo <NES>/Moon.nes", Image(6)},
        {"Nintendo", Image(16)},
        {"pack.zip", Zip({{"a<b.nes", Image(7)}, {"c>d.nes", Image(8)}, {"e <f>.nes", Image(9)}})},
        // Twins by case, as plain files and as members.
        {"twin.nes", Image(23)},
        {"TWIN.nes", Image(24)},
        {"twins.zip", Zip({{"Twin.nes", Image(21)}, {"TWIN.nes", Image(22)}})},
    };
}

// The hostile names, and twins by case, with `extension`, each holding `bytes`, beside an archive
// of such members and the namesakes a reading of column 1 would hit.
Files NamesOfKind(const std::string& extension, const samples::Bytes& bytes) {
    Files files;
    for (const std::string name : {"Zelda <Beta>", "a<b>c", "x.zip <y", ">", "<", "Nintendo <NES>/Moon", "twin", "TWIN"}) {
        files[name + "." + extension] = bytes;
    }
    for (const std::string name : {"Zelda", "x.zip", "Nintendo"}) files[name] = bytes;
    files["pack.zip"] = Zip({{"a<b." + extension, bytes}, {"Twin." + extension, bytes}, {"TWIN." + extension, bytes}});
    return files;
}

enum class Act { Delete, Launch, EditItem, HeaderCleaner, TrainerRemover };

class HostileNamesTest : public MainDialogTest {
protected:
    void Lay(const Files& files) {
        fs::remove_all(roms);
        for (const auto& [name, bytes] : files) dir.Write("roms/" + name, bytes);
    }
    Files OnDisk() const {
        Files files;
        for (const auto& entry : fs::recursive_directory_iterator(roms)) {
            if (entry.is_regular_file()) {
                files[fs::relative(entry.path(), roms).string()] = vorne::test::ReadFile(entry.path().string());
            }
        }
        return files;
    }
    // The one row that lists `path` (for a member: the archive) and `member` (empty: a plain file).
    int RowOf(const std::string& path, const std::string& member) const {
        const CatalogModel& model = window->GetCatalogue().Model();
        int found = -1;
        for (int r = 0; r < model.RowCount(); ++r) {
            const RowFile& file = model.Row(r).file;
            if (file.path == path && (file.IsMember() ? file.member->name : std::string()) == member) {
                EXPECT_EQ(found, -1) << "two rows list " << path << " " << member;
                found = r;
            }
        }
        return found;
    }
    void Rescan() {
        window->StartScan();
        ASSERT_TRUE(WaitIdle());
    }
    void Run(Act act) {
        switch (act) {
            case Act::Delete: window->Action(Command::Delete)->trigger(); return;
            case Act::Launch: {
                QSignalSpy ended(&window->GetLauncher(), &Launcher::finished);
                emit window->List()->launchRequested();
                ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; }));
                return;
            }
            case Act::EditItem: window->Action(Command::EditItem)->trigger(); return;
            case Act::HeaderCleaner:
            case Act::TrainerRemover: {
                QSignalSpy ended(&window->Batch().Runner(), &ToolRunner::toolFinished);
                window->Action(act == Act::HeaderCleaner ? Command::HeaderCleaner : Command::TrainerRemover)->trigger();
                ASSERT_TRUE(WaitFor([&] { return ended.count() > 0 && window->Idle(); }));
                return;
            }
        }
    }
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(HostileNamesTest, EachCommandActsOnExactlyTheListedFile) {
    const std::string record = dir / "record.txt";
    const std::string recorder = dir.Write("recorder.sh", {});
    std::ofstream(recorder) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << record << "'\ncat \"$1\" > '" << record
                            << ".content'\n";
    ::chmod(recorder.c_str(), 0755);
    settings.SetProgram(RomType::Nes, Q(recorder));
    settings.SetDeleteToTrash(false);

    const struct {
        std::string path;    // the row's file, or the archive that holds its member
        std::string member;  // empty for a plain file
        std::uint32_t seed;  // of its image
    } rows[] = {
        {"Zelda <Beta>.nes", "", 1},     {"a<b>c.nes", "", 2},         {"x.zip <y.nes>.nes", "", 3},
        {">.nes", "", 4},                {"<.nes", "", 5},             {"Nintendo <NES>/Moon.nes", "", 6},
        {"x.zip", "y.nes", 13},          {"pack.zip", "a<b.nes", 7},   {"pack.zip", "c>d.nes", 8},
        {"pack.zip", "e <f>.nes", 9},    {"twin.nes", "", 23},          {"TWIN.nes", "", 24},
        {"twins.zip", "Twin.nes", 21},   {"twins.zip", "TWIN.nes", 22},
    };
    const Files collection = Collection();
    Lay(collection);
    Open(RomType::Nes);
    window->SubfolderBox()->setChecked(true);
    window->ZipBox()->setChecked(true);
    for (Act act : {Act::Delete, Act::Launch, Act::EditItem, Act::HeaderCleaner, Act::TrainerRemover}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::to_string(static_cast<int>(act)) + ": " + row.path + " " + row.member);
            Lay(collection);
            Rescan();
            ASSERT_EQ(window->GetCatalogue().EntryCount(), 14) << testing::PrintToString(Column(kFilenameColumn));
            window->List()->SelectOnly(RowOf(row.path, row.member));
            prompts.messages.clear();
            prompts.yes = true;
            prompts.onModal = [](QDialog& dialog) {
                auto& nes = dynamic_cast<CNesEditDialog&>(dialog);
                Type(nes.MapperBox(), QStringLiteral("4"));
                Button(nes, QStringLiteral("&Write Headers"))->click();
                return static_cast<int>(QDialog::Accepted);
            };
            fs::remove(record);
            Run(act);

            const bool member = !row.member.empty();
            // The files that changed or went: the row's, or none (the tools leave members alone).
            std::vector<std::string> changed;
            const Files now = OnDisk();
            for (const auto& [name, bytes] : collection) {
                auto there = now.find(name);
                if (there == now.end() || there->second != bytes) changed.push_back(name);
            }
            std::vector<std::string> expected;
            if (act == Act::Delete || (!member && act != Act::Launch)) expected = {row.path};
            EXPECT_EQ(changed, expected);
            EXPECT_EQ(now.size(), collection.size() - (act == Act::Delete ? 1 : 0));

            std::vector<std::string> shown;
            for (const auto& m : prompts.messages) shown.push_back(m.text.toStdString());
            if (act == Act::Launch) {
                // The program got the file itself, or a copy of the very member.
                EXPECT_EQ(vorne::test::ReadFile(record + ".content"), Image(row.seed));
                if (!member) {
                    EXPECT_EQ(ReadText(record), roms + "/" + row.path);
                }
            }
            if (act == Act::Delete && member) {
                const std::string count = row.path == "pack.zip" ? "3 files" : row.path == "twins.zip" ? "2 files" : "1 file";
                EXPECT_EQ(shown, (std::vector<std::string>{row.path + " holds " + count + ". Delete the whole archive?",
                                                           "Delete 1 file for good?"}));
            } else if (act == Act::EditItem && member) {
                EXPECT_EQ(shown, std::vector<std::string>{"Please unzip this file before editing."});
            } else if (act == Act::Delete) {
                EXPECT_EQ(shown, std::vector<std::string>{"Delete 1 file for good?"});
            } else if (act == Act::Launch) {
                EXPECT_EQ(shown, std::vector<std::string>{});
            }
        }
    }
}

// The commands that take the whole list, or every selected row, and Save List: each reaches the
// files its rows list, and nothing else (no namesake, no archive, no member).
TEST_F(HostileNamesTest, ListCommandsActOnExactlyTheListedFiles) {
    const std::vector<std::string> names = {"<", ">", "Nintendo <NES>/Moon", "TWIN", "Zelda <Beta>", "a<b>c", "twin", "x.zip <y"};
    auto withExtension = [&](const std::string& extension) {
        std::vector<std::string> out;
        for (const std::string& name : names) out.push_back(name + "." + extension);
        std::sort(out.begin(), out.end());
        return out;
    };
    const samples::Bytes genesis = samples::MakeGenesis({.size = 32768});
    const auto writeArtist = [](QDialog& shown) {
        auto& dialog = static_cast<CMp3EditDialog&>(shown);
        dialog.Box(1)->setText(QStringLiteral("Band"));
        dialog.OnWriteInfo();
        return dialog.result();
    };
    const struct {
        const char* what;
        RomType kind;
        Files files;
        Command command;
        std::function<int(QDialog&)> modal;  // the MP3 dialog's answer
        std::vector<std::string> changed;
        std::vector<std::string> made;
    } cases[] = {
        {"Clean NES Headers", RomType::Nes, NamesOfKind("nes", Image(1)), Command::CleanNesHeaders, {}, withExtension("nes"), {}},
        {"Remove NES Trainers", RomType::Nes, NamesOfKind("nes", Image(1)), Command::RemoveNesTrainers, {},
         withExtension("nes"), {}},
        {"Mass-Edit MP3 Tags", RomType::Mp3, NamesOfKind("mp3", samples::MakeMp3({.frames = 1, .tagged = false})),
         Command::MassEditMp3Tags, writeArtist, withExtension("mp3"), {}},
        {"Mass Tag Edit", RomType::Mp3, NamesOfKind("mp3", samples::MakeMp3({.frames = 1, .tagged = false})),
         Command::MassTagEdit, writeArtist, withExtension("mp3"), {}},
        {"Bin->Smd", RomType::Genesis, NamesOfKind("bin", genesis), Command::BinToSmd, {}, {}, withExtension("smd")},
        {"Smd->Bin", RomType::Genesis, NamesOfKind("smd", samples::Interleave(genesis, 8192, true)), Command::SmdToBin, {}, {},
         withExtension("bin")},
        {"32X->Bin", RomType::Genesis32X,
         NamesOfKind("32X", samples::Interleave(samples::MakeGenesis({.is32X = true, .size = 1 << 20}), 512 * 1024, false)),
         Command::Convert32XToBin, {}, {}, withExtension("bin")},
        {"Save List", RomType::Nes, NamesOfKind("nes", Image(1)), Command::SaveList, {}, {}, {"../list.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Lay(c.files);
        Open(c.kind);
        window->SubfolderBox()->setChecked(true);
        window->ZipBox()->setChecked(true);
        Rescan();
        ASSERT_EQ(window->GetCatalogue().EntryCount(), static_cast<int>(names.size()) + 3);
        window->List()->selectAll();
        prompts.messages.clear();
        prompts.yes = true;
        prompts.onModal = c.modal;
        prompts.files = {Q(roms + "/../list.txt")};
        fs::remove(roms + "/../list.txt");
        if (c.command == Command::SaveList) {
            window->Action(c.command)->trigger();
        } else {
            QSignalSpy ended(&window->Batch().Runner(), &ToolRunner::toolFinished);
            window->Action(c.command)->trigger();
            ASSERT_TRUE(WaitFor([&] { return ended.count() > 0 && window->Idle(); }));
        }
        for (const auto& m : prompts.messages) EXPECT_FALSE(m.text.contains(QStringLiteral("left as they are"))) << m.text.toStdString();

        std::vector<std::string> changed;
        std::vector<std::string> made;
        const Files now = OnDisk();
        for (const auto& [name, bytes] : now) {
            auto was = c.files.find(name);
            if (was == c.files.end()) {
                made.push_back(name);
            } else if (was->second != bytes) {
                changed.push_back(name);
            }
        }
        EXPECT_EQ(changed, c.changed);
        if (c.command == Command::SaveList) {
            // The list names each file as its row does; members with their archive.
            const std::string list = ReadText(roms + "/../list.txt");
            for (const std::string& name : withExtension("nes")) EXPECT_NE(list.find("\t" + name + " "), std::string::npos) << name;
            for (const std::string member : {"a<b.nes", "Twin.nes", "TWIN.nes"}) {
                EXPECT_NE(list.find("\tpack.zip <" + member + "> "), std::string::npos) << member;
            }
        } else {
            EXPECT_EQ(made, c.made);
        }
    }
}

}  // namespace
}  // namespace hostile_names_test
}  // namespace vorne::ui::test
