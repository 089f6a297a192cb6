#include "ui/edit_item.h"

#include "catalogue/known_dumps.h"
#include "formats/reader_factory.h"
#include "platform/file.h"
#include "catalogue/row_file.h"
#include "ui/gameboy_edit_dialog.h"
#include "ui/genesis_edit_dialog.h"
#include "ui/mp3_edit_dialog.h"
#include "ui/n64_edit_dialog.h"
#include "ui/nes_edit_dialog.h"
#include "ui/snes_edit_dialog.h"

namespace vorne::ui {

std::unique_ptr<CHeaderEditDialog> CreateEditDialog(RomType type, const std::string& folder, const std::string& name,
                                                    CUserPrompts& prompts, QWidget* parent) {
    switch (type) {
        case RomType::Gameboy: return std::make_unique<CGameboyEditDialog>(folder, name, prompts, parent);
        case RomType::Nes: return std::make_unique<CNesEditDialog>(folder, name, prompts, parent);
        case RomType::Snes: return std::make_unique<CSnesEditDialog>(folder, name, prompts, parent);
        case RomType::N64: return std::make_unique<CN64EditDialog>(folder, name, prompts, parent);
        case RomType::Genesis:
        case RomType::Genesis32X: return std::make_unique<CGenesisEditDialog>(folder, name, prompts, parent);
        case RomType::Mp3: return std::make_unique<CMp3EditDialog>(folder, name, prompts, parent);
        case RomType::Zip: return nullptr;
    }
    return nullptr;
}

std::vector<std::string> ReadRow(RomType type, const std::string& folder, const std::string& name,
                                 const std::string& knownDumpsPath) {
    auto knownList = type == RomType::Nes ? KnownDumpList::Load(knownDumpsPath) : nullptr;
    std::unique_ptr<RomHeader> reader = CreateReader(type, knownList);
    if (!reader) return {};
    // Column 1 keeps the name the list gives the file.
    const File file = File::OpenRead(PathInFolder(folder, name));
    reader->LoadFile(file, name);
    return ColumnTexts(*reader);
}

}  // namespace vorne::ui
