#include "dat/dat_set.h"

#include <pugixml.hpp>

#include <sstream>

namespace vorne {

std::string DatSet::GameName(const DatMatch& match) const {
    if (match.verdict == DatVerdict::NotInDat) return {};
    return file.games[file.roms[match.rom].game].name;
}

std::shared_ptr<const DatSet> LoadDatSet(const std::string& path) {
    auto set = std::make_shared<DatSet>();
    set->path = path;
    set->file = LoadDatFile(path);
    set->index = DatIndex(set->file);
    set->md5 = NeedsMd5(set->file);
    set->sha256 = NeedsSha256(set->file);
    return set;
}

std::vector<std::uint32_t> MissingGames(const DatFile& dat, const std::vector<std::uint32_t>& matchedRoms) {
    std::vector<bool> found(dat.games.size());
    for (std::uint32_t rom : matchedRoms) {
        if (rom < dat.roms.size()) found[dat.roms[rom].game] = true;
    }
    std::vector<std::uint32_t> missing;
    for (std::uint32_t g = 0; g < dat.games.size(); ++g) {
        if (!found[g]) missing.push_back(g);
    }
    return missing;
}

std::string FixdatText(const DatFile& dat, const std::vector<std::uint32_t>& games) {
    // Written through pugixml, so that every name comes out escaped and the text is valid XML
    // whatever the names hold (a name that is no valid UTF-8 is written as it is).
    pugi::xml_document document;
    auto declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child("datafile");
    pugi::xml_node header = root.append_child("header");
    const std::string name = "fixdat_" + (dat.header.name.empty() ? std::string("DAT") : dat.header.name);
    // The DAT's own header, but for the name, which says what this is.
    DatHeader fields = dat.header;
    fields.name = name;
    for (const HeaderField& field : kHeaderFields) {
        const std::string& value = fields.*field.value;
        if (!value.empty()) header.append_child(field.name).text() = value.c_str();
    }
    for (std::uint32_t g : games) {
        const DatGame& game = dat.games[g];
        pugi::xml_node node = root.append_child("game");
        node.append_attribute("name") = game.name.c_str();
        node.append_child("description").text() = (game.description.empty() ? game.name : game.description).c_str();
        for (std::uint32_t i = 0; i < game.romCount; ++i) {
            const DatRom& rom = dat.roms[game.firstRom + i];
            pugi::xml_node r = node.append_child("rom");
            r.append_attribute("name") = rom.name.c_str();
            r.append_attribute("size") = std::to_string(rom.size).c_str();
            r.append_attribute("crc") = CrcText(rom.crc).c_str();
            if (rom.md5) r.append_attribute("md5") = HexText(*rom.md5).c_str();
            if (rom.sha1) r.append_attribute("sha1") = HexText(*rom.sha1).c_str();
            if (rom.sha256) r.append_attribute("sha256") = HexText(*rom.sha256).c_str();
        }
    }
    std::ostringstream out;
    document.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

}  // namespace vorne
