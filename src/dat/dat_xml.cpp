// The XML DATs, read with pugixml: the document is parsed inside the DAT's own buffer, then
// walked once into the games and ROMs.
#include <pugixml.hpp>

#include <cstring>

#include "dat/dat_builder.h"
#include "dat/dat_parsers.h"

namespace vorne {

namespace {

// An attribute's text, or a null view when the element has no such attribute.
std::string_view Attribute(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    return attribute ? std::string_view(attribute.value()) : std::string_view();
}

RomTexts RomOf(const pugi::xml_node& rom) {
    return {Attribute(rom, "name"), Attribute(rom, "size"),   Attribute(rom, "crc"),   Attribute(rom, "sha1"),
            Attribute(rom, "md5"),  Attribute(rom, "sha256"), Attribute(rom, "status")};
}

void ReadLogiqxHeader(const pugi::xml_node& header, DatHeader& out) {
    for (const HeaderField& field : kHeaderFields) out.*field.value = header.child_value(field.name);
}

// <datafile> (and <mame>): <header>, then <game> or <machine> elements holding <rom>s.
DatFile ReadLogiqx(const pugi::xml_node& root) {
    DatBuilder builder(DatFormat::Logiqx);
    for (const pugi::xml_node& node : root.children()) {
        const char* tag = node.name();
        if (std::strcmp(tag, "header") == 0) {
            ReadLogiqxHeader(node, builder.Header());
            continue;
        }
        if (std::strcmp(tag, "game") != 0 && std::strcmp(tag, "machine") != 0) continue;
        builder.BeginGame(node.attribute("name").value(), node.child_value("description"));
        for (const pugi::xml_node& rom : node.children("rom")) builder.AddRom(RomOf(rom));
        builder.EndGame();
    }
    return builder.Finish();
}

// <softwarelist name description>: <software name> with a <description> and <part>s whose
// <dataarea>s hold the <rom>s. A ROM without a name continues the one before it (loadflag
// continue, fill, ignore) and is no ROM of its own.
DatFile ReadSoftwareList(const pugi::xml_node& root) {
    DatBuilder builder(DatFormat::SoftwareList);
    builder.Header().name = root.attribute("name").value();
    builder.Header().description = root.attribute("description").value();
    for (const pugi::xml_node& software : root.children("software")) {
        builder.BeginGame(software.attribute("name").value(), software.child_value("description"));
        for (const pugi::xml_node& part : software.children("part")) {
            for (const pugi::xml_node& area : part.children("dataarea")) {
                for (const pugi::xml_node& rom : area.children("rom")) {
                    if (!rom.attribute("name")) continue;
                    builder.AddRom(RomOf(rom));
                }
            }
        }
        builder.EndGame(/*singleRomOnly=*/true);
    }
    return builder.Finish();
}

}  // namespace

DatFile ParseXmlDat(std::span<char> text, const std::string& name) {
    pugi::xml_document document;
    const pugi::xml_parse_result result =
        document.load_buffer_inplace(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) throw XmlBreak{static_cast<std::size_t>(result.offset), result.description()};
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "softwarelist") == 0) return ReadSoftwareList(root);
    if (std::strcmp(root.name(), "datafile") == 0 || std::strcmp(root.name(), "mame") == 0) return ReadLogiqx(root);
    throw DatError(name + ": <" + std::string(root.name()) + "> is neither a <datafile> nor a <softwarelist>");
}

}  // namespace vorne
