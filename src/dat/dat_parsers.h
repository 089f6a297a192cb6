// The parsers behind ParseDat, one per way of writing a DAT.
#pragma once

#include <span>
#include <string>

#include "dat/dat_file.h"

namespace vorne {

// Where the XML parser stopped, and why. The parser works inside the text and leaves the part
// before that place changed, so the line is counted by the caller in the text as it was.
struct XmlBreak {
    std::size_t offset;
    std::string description;
};

// Logiqx XML (<datafile>, also a <mame> list of machines) and MAME software lists
// (<softwarelist>). Throws XmlBreak for text that is not well-formed XML, DatError for XML that
// is no DAT.
DatFile ParseXmlDat(std::span<char> text, const std::string& name);

// ClrMamePro text: clrmamepro ( ... ) game ( name "..." rom ( name "..." size N crc X ) ).
// Throws DatError.
DatFile ParseClrMameProDat(std::string_view text, const std::string& name);

// The 1-based line of byte `offset` of `text`.
std::size_t LineOf(std::string_view text, std::size_t offset);

}  // namespace vorne
