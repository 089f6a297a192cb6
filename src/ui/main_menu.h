// The main window's commands and its menu: every command by name, the menu items with the kinds
// they serve and where they stand. One table; the window builds one QAction per command, puts
// the menu's into the menu and greys them by kind, and while it is busy greys every one but OK.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/rom_type.h"

namespace vorne::ui {

// The window's commands: the buttons' and the menu items'. The About button and the Help menu's
// item are one command, as are the Edit Item button and menu item.
enum class Command {
    SelectFolder,
    Ok,
    EditItem,
    Delete,
    About,
    SaveList,
    CompareLists,
    CleanNesHeaders,
    RemoveNesTrainers,
    MassEditMp3Tags,
    HeaderCleaner,
    TrainerRemover,
    SmdToBin,
    BinToSmd,
    Convert32XToBin,
    ConvertBinTo32X,
    MassTagEdit,
    ApplyIpsPatch,
    Options,
    // Beyond the first menu: DAT files, checksums, N64 byte orders, patches made, tags and names,
    // and scanning again.
    MissingFromDat,
    RenameToDatNames,
    RenameSelectionToDatNames,
    TagsFromFileNames,
    RenameFromTags,
    SelectionTagsFromFileNames,
    SelectionRenameFromTags,
    FixChecksums,
    ConvertN64ByteOrder,
    CreatePatch,
    Refresh,
    Count,
};
inline constexpr int kCommandCount = static_cast<int>(Command::Count);

// Each command's action carries its name as its object name.
inline constexpr std::array<std::string_view, kCommandCount> kCommandNames{
    "selectFolder", "ok",          "editItem",      "delete",        "about",
    "saveList",     "compareLists", "cleanNesHeaders", "removeNesTrainers", "massEditMp3Tags",
    "headerCleaner", "trainerRemover", "smdToBin",   "binToSmd",      "32xToBin",
    "binTo32x",     "massTagEdit",  "applyIpsPatch", "options",
    "missingFromDat", "renameToDatNames", "renameSelectionToDatNames", "tagsFromFileNames", "renameFromTags",
    "selectionTagsFromFileNames", "selectionRenameFromTags", "fixChecksums", "convertN64ByteOrder", "createPatch",
    "refresh",
};

constexpr std::string_view CommandName(Command command) { return kCommandNames[static_cast<std::size_t>(command)]; }

// The kinds an item serves, one bit per kind.
constexpr std::uint32_t KindBit(RomType type) { return 1u << static_cast<int>(type); }
inline constexpr std::uint32_t kAllKinds = (1u << kRomTypeCount) - 1;
// The cartridge kinds, which DAT files describe.
inline constexpr std::uint32_t kRomKinds = kAllKinds & ~KindBit(RomType::Mp3) & ~KindBit(RomType::Zip);
// The kinds whose headers carry a checksum (an iNES header has none).
inline constexpr std::uint32_t kChecksumKinds = kRomKinds & ~KindBit(RomType::Nes);

struct MenuEntry {
    std::string_view menu;      // the top-level menu; empty for an item on the menu bar itself
    std::string_view submenu;   // the submenu inside it, or empty
    std::string_view text;      // empty: a separator
    Command command;
    std::uint32_t kinds;
};

constexpr MenuEntry Separator(std::string_view menu) { return {menu, "", "", Command::Count, 0}; }

inline constexpr std::array kMainMenu{
    MenuEntry{"&Whole List", "", "&Save List", Command::SaveList, kAllKinds},
    MenuEntry{"&Whole List", "", "&Compare Lists", Command::CompareLists, kAllKinds},
    Separator("&Whole List"),
    MenuEntry{"&Whole List", "", "C&lean NES Headers", Command::CleanNesHeaders, KindBit(RomType::Nes)},
    MenuEntry{"&Whole List", "", "&Remove NES Trainers", Command::RemoveNesTrainers, KindBit(RomType::Nes)},
    MenuEntry{"&Whole List", "", "&Mass-Edit MP3 Tags", Command::MassEditMp3Tags, KindBit(RomType::Mp3)},
    Separator("&Whole List"),
    MenuEntry{"&Whole List", "", "Missing from DAT...", Command::MissingFromDat, kRomKinds},
    MenuEntry{"&Whole List", "", "Rename to DAT Names", Command::RenameToDatNames, kRomKinds},
    MenuEntry{"&Whole List", "", "Tags from File Names...", Command::TagsFromFileNames, KindBit(RomType::Mp3)},
    MenuEntry{"&Whole List", "", "Rename from Tags...", Command::RenameFromTags, KindBit(RomType::Mp3)},
    MenuEntry{"&Selection", "&NES", "&Header Cleaner", Command::HeaderCleaner, KindBit(RomType::Nes)},
    MenuEntry{"&Selection", "&NES", "&Trainer Remover", Command::TrainerRemover, KindBit(RomType::Nes)},
    MenuEntry{"&Selection", "&Genesis", "&Smd->Bin", Command::SmdToBin, KindBit(RomType::Genesis)},
    MenuEntry{"&Selection", "&Genesis", "&Bin->Smd", Command::BinToSmd, KindBit(RomType::Genesis)},
    MenuEntry{"&Selection", "&32X", "&32X->Bin", Command::Convert32XToBin, KindBit(RomType::Genesis32X)},
    MenuEntry{"&Selection", "&32X", "&Bin->32X", Command::ConvertBinTo32X, KindBit(RomType::Genesis32X)},
    MenuEntry{"&Selection", "&MP3", "&Mass Tag Edit", Command::MassTagEdit, KindBit(RomType::Mp3)},
    Separator("&Selection"),
    MenuEntry{"&Selection", "", "Rename to DAT Names", Command::RenameSelectionToDatNames, kRomKinds},
    MenuEntry{"&Selection", "", "Fix Checksums", Command::FixChecksums, kChecksumKinds},
    MenuEntry{"&Selection", "", "Convert N64 Byte Order", Command::ConvertN64ByteOrder, KindBit(RomType::N64)},
    MenuEntry{"&Selection", "", "Tags from File Names...", Command::SelectionTagsFromFileNames, KindBit(RomType::Mp3)},
    MenuEntry{"&Selection", "", "Rename from Tags...", Command::SelectionRenameFromTags, KindBit(RomType::Mp3)},
    Separator("&Selection"),
    MenuEntry{"&Selection", "", "&Edit Item", Command::EditItem, kAllKinds},
    MenuEntry{"&Miscellaneous", "", "Apply &IPS Patch", Command::ApplyIpsPatch, kAllKinds},
    MenuEntry{"&Miscellaneous", "", "Create Patch...", Command::CreatePatch, kAllKinds},
    // Where file managers keep it: View, Refresh (F5).
    MenuEntry{"&View", "", "&Refresh", Command::Refresh, kAllKinds},
    MenuEntry{"", "", "&Options", Command::Options, kAllKinds},
    // No system menu here to carry the About item: it goes to a Help menu.
    MenuEntry{"&Help", "", "&About Vorne...", Command::About, kAllKinds},
};

// The buttons, top to bottom, and the commands they trigger.
struct ButtonEntry {
    std::string_view text;
    Command command;
};
inline constexpr std::array kButtons{
    ButtonEntry{"Select Fo&lder", Command::SelectFolder}, ButtonEntry{"OK", Command::Ok},
    ButtonEntry{"&Edit Item", Command::EditItem},         ButtonEntry{"&Delete", Command::Delete},
    ButtonEntry{"&About", Command::About},
};

// Whether `command` serves `type`: a menu item the kinds of its entry, a button's command every kind.
constexpr bool ServesKind(Command command, RomType type) {
    for (const MenuEntry& entry : kMainMenu) {
        if (!entry.text.empty() && entry.command == command) return (entry.kinds & KindBit(type)) != 0;
    }
    return true;
}

}  // namespace vorne::ui
