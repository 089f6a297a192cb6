// The main window's menu: every item with its command id, the kinds it serves and where it
// stands. One table; the window builds the menu from it and greys items by kind.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "base/rom_type.h"

namespace vorne::ui {

// Command ids of the main window's buttons and menu items.
enum Command : int {
    kCommandOk = 1,
    kCommandKindCombo = 1002,
    kCommandSelectFolder = 1003,
    kCommandZipBox = 1009,
    kCommandDelete = 1010,
    kCommandEditItemButton = 1084,
    kCommandAbout = 57664,
    kCommandSaveList = 32772,
    kCommandCompareLists = 32773,
    kCommandCleanNesHeaders = 32778,
    kCommandRemoveNesTrainers = 32779,
    kCommandHeaderCleaner = 32782,
    kCommandTrainerRemover = 32783,
    kCommandSmdToBin = 32784,
    kCommandBinToSmd = 32785,
    kCommandEditItem = 32786,
    kCommand32XToBin = 32787,
    kCommandBinTo32X = 32788,
    kCommandOptions = 32789,
    kCommandMassEditMp3Tags = 32790,
    kCommandMassTagEdit = 32792,
    kCommandApplyIpsPatch = 32793,
};

// The kinds an item serves, one bit per kind.
constexpr std::uint32_t KindBit(RomType type) { return 1u << static_cast<int>(type); }
inline constexpr std::uint32_t kAllKinds = (1u << kRomTypeCount) - 1;

struct MenuEntry {
    std::string_view menu;      // the top-level menu; empty for an item on the menu bar itself
    std::string_view submenu;   // the submenu inside it, or empty
    std::string_view text;      // empty: a separator
    int command;
    std::uint32_t kinds;
};

inline constexpr std::array kMainMenu{
    MenuEntry{"&Whole List", "", "&Save List", kCommandSaveList, kAllKinds},
    MenuEntry{"&Whole List", "", "&Compare Lists", kCommandCompareLists, kAllKinds},
    MenuEntry{"&Whole List", "", "", 0, 0},
    MenuEntry{"&Whole List", "", "C&lean NES Headers", kCommandCleanNesHeaders, KindBit(RomType::Nes)},
    MenuEntry{"&Whole List", "", "&Remove NES Trainers", kCommandRemoveNesTrainers, KindBit(RomType::Nes)},
    MenuEntry{"&Whole List", "", "&Mass-Edit MP3 Tags", kCommandMassEditMp3Tags, KindBit(RomType::Mp3)},
    MenuEntry{"&Selection", "&NES", "&Header Cleaner", kCommandHeaderCleaner, KindBit(RomType::Nes)},
    MenuEntry{"&Selection", "&NES", "&Trainer Remover", kCommandTrainerRemover, KindBit(RomType::Nes)},
    MenuEntry{"&Selection", "&Genesis", "&Smd->Bin", kCommandSmdToBin, KindBit(RomType::Genesis)},
    MenuEntry{"&Selection", "&Genesis", "&Bin->Smd", kCommandBinToSmd, KindBit(RomType::Genesis)},
    MenuEntry{"&Selection", "&32X", "&32X->Bin", kCommand32XToBin, KindBit(RomType::Genesis32X)},
    MenuEntry{"&Selection", "&32X", "&Bin->32X", kCommandBinTo32X, KindBit(RomType::Genesis32X)},
    MenuEntry{"&Selection", "&MP3", "&Mass Tag Edit", kCommandMassTagEdit, KindBit(RomType::Mp3)},
    MenuEntry{"&Selection", "", "", 0, 0},
    MenuEntry{"&Selection", "", "&Edit Item", kCommandEditItem, kAllKinds},
    MenuEntry{"&Miscellaneous", "", "Apply &IPS Patch", kCommandApplyIpsPatch, kAllKinds},
    MenuEntry{"", "", "&Options", kCommandOptions, kAllKinds},
};

// Whether the item `command` serves `type`.
constexpr bool ServesKind(int command, RomType type) {
    for (const MenuEntry& entry : kMainMenu) {
        if (entry.command == command) return (entry.kinds & KindBit(type)) != 0;
    }
    return false;
}

}  // namespace vorne::ui
