#include "dat/dat_file.h"

#include <gtest/gtest.h>

#include "dat/dat_set.h"

#include "support/temp_dir.h"
#include "zip_writer.h"

namespace vorne {
namespace dat_file_test {
namespace {

constexpr std::string_view kSha1 = "0123456789abcdef0123456789abcdef01234567";

// The same two games in each format: one with every hash, one with an entity and UTF-8 in its
// name and no SHA-1; then a ROM without a CRC-32 and one with a malformed size, both left out.
const std::string kLogiqx = R"X(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/dtds/datafile.dtd">
<datafile>
  <header><name>Nintendo - NES</name><description>NES &amp; Famicom</description><version>20260101</version></header>
  <game name="Alpha (USA)"><description>Alpha (USA)</description>
    <rom name="Alpha (USA).nes" size="40960" crc="1A2B3C4D" md5="0123456789abcdef0123456789abcdef" sha1=")X" +
                            std::string(kSha1) + R"X("/></game>
  <game name="B&amp;ta (Japan) Pokémon"><rom name="B&amp;ta (Japan) Pokémon.nes" size="0x8000" crc="deadbeef"/></game>
  <game name="Gone"><rom name="Gone.nes" size="16" status="nodump"/></game>
  <machine name="Bad"><rom name="Bad.nes" size="12x" crc="00000000"/></machine>
</datafile>
)X";

const std::string kClrMamePro = R"X(clrmamepro (
	name "Nintendo - NES"
	description "NES & Famicom"
	version 20260101
)

game (
	name "Alpha (USA)"
	description "Alpha (USA)"
	rom ( name "Alpha (USA).nes" size 40960 crc 1A2B3C4D md5 0123456789abcdef0123456789abcdef sha1 )X" +
                                std::string(kSha1) + R"X( )
)
game ( name "B&ta (Japan) Pokémon" rom ( name "B&ta (Japan) Pokémon.nes" size 32768 crc deadbeef ) )
game ( name "Gone" rom ( name "Gone.nes" size 16 flags nodump ) )
emulator ( name "ignored" extra ( nested ( deeper ) ) )
game ( name "Bad" rom ( name "Bad.nes" size 12x crc 00000000 ) )
)X";

const std::string kSoftwareList = R"X(<?xml version="1.0"?>
<softwarelist name="Nintendo - NES" description="NES &amp; Famicom">
  <software name="alpha"><description>Alpha (USA)</description>
    <part name="cart" interface="nes_cart"><dataarea name="prg" size="40960">
      <rom name="Alpha (USA).nes" size="40960" crc="1a2b3c4d" md5="0123456789abcdef0123456789abcdef" sha1=")X" +
                                  std::string(kSha1) + R"X(" offset="0"/>
      <rom size="40960" offset="0" loadflag="continue"/>
    </dataarea></part></software>
  <software name="bta"><description>B&amp;ta (Japan) Pokémon</description>
    <part name="cart"><dataarea name="rom"><rom name="B&amp;ta (Japan) Pokémon.nes" size="32768" crc="deadbeef"/></dataarea></part></software>
  <software name="gone"><description>Gone</description><part name="cart"><dataarea name="rom">
    <rom name="Gone.nes" size="16" status="nodump"/></dataarea></part></software>
  <software name="split"><description>Split</description><part name="cart">
    <dataarea name="prg"><rom name="split.prg" size="16384" crc="11111111"/></dataarea>
    <dataarea name="chr"><rom name="split.chr" size="8192" crc="22222222"/></dataarea></part></software>
  <software name="bad"><description>Bad</description><part name="cart"><dataarea name="rom">
    <rom name="Bad.nes" size="12x" crc="00000000"/></dataarea></part></software>
</softwarelist>
)X";

std::string WriteZip(const test::TempDir& dir, const std::string& member, const std::string& text) {
    samples::ZipWriter zip;
    zip.Add({.name = "readme.txt", .data = {'h', 'i'}});
    zip.Add({.name = member, .data = {text.begin(), text.end()}, .deflate = true});
    return dir.Write("dat.zip", zip.Finish());
}

TEST(DatFile, TheThreeFormatsAndAZippedDatGiveTheSameEntries) {
    test::TempDir dir;
    struct Case {
        std::string label;
        std::string path;
        DatFormat format;
        std::size_t games;  // the software list has its split entry too
    };
    const Case cases[] = {
        {"logiqx", dir.Write("a.dat", {kLogiqx.begin(), kLogiqx.end()}), DatFormat::Logiqx, 4},
        {"clrmamepro", dir.Write("b.dat", {kClrMamePro.begin(), kClrMamePro.end()}), DatFormat::ClrMamePro, 4},
        {"software list", dir.Write("c.xml", {kSoftwareList.begin(), kSoftwareList.end()}), DatFormat::SoftwareList, 5},
        {"zipped logiqx", WriteZip(dir, "Nintendo - NES (20260101).dat", kLogiqx), DatFormat::Logiqx, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const DatFile dat = LoadDatFile(c.path);
        EXPECT_EQ(dat.format, c.format);
        EXPECT_EQ(dat.header.name, "Nintendo - NES");
        EXPECT_EQ(dat.header.description, "NES & Famicom");
        ASSERT_EQ(dat.games.size(), c.games);
        EXPECT_EQ(dat.skipped, 2u);  // the ROM not dumped and the malformed size
        EXPECT_EQ(dat.SkippedWarning("x.dat"), "x.dat: 2 ROMs left out (missing or malformed size or hash)");
        ASSERT_GE(dat.roms.size(), 2u);
        const DatRom& alpha = dat.roms[0];
        EXPECT_EQ(alpha.name, "Alpha (USA).nes");
        EXPECT_EQ(dat.games[alpha.game].description, "Alpha (USA)");
        EXPECT_EQ(alpha.size, 40960u);
        EXPECT_EQ(alpha.crc, 0x1a2b3c4du);
        ASSERT_TRUE(alpha.sha1 && alpha.md5);
        EXPECT_EQ(HexText(*alpha.sha1), kSha1);
        EXPECT_EQ(HexText(*alpha.md5), "0123456789abcdef0123456789abcdef");
        const DatRom& beta = dat.roms[1];
        EXPECT_EQ(beta.name, "B&ta (Japan) Pok\xC3\xA9mon.nes");
        EXPECT_EQ(beta.size, 32768u);
        EXPECT_FALSE(beta.sha1 || beta.md5);

        const DatIndex index(dat);
        ASSERT_EQ(index.Find(40960, 0x1a2b3c4d).size(), 1u);
        EXPECT_EQ(index.Find(40960, 0x1a2b3c4d)[0], 0u);
        EXPECT_TRUE(index.Contains(32768, 0xdeadbeef));
        EXPECT_FALSE(index.Contains(32769, 0xdeadbeef));
        // A cartridge of two chips is listed but no single file is either of them.
        EXPECT_FALSE(index.Contains(16384, 0x11111111));
    }
}

TEST(DatFile, BrokenDatsNameTheFileAndTheLine) {
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"<datafile>\n<game name=\"a\">\n<rom name=\"x\" size=\"1\n", "d.dat: line 3 (byte "},
        {"<datafile>\n</game>\n", "d.dat: line 2 (byte "},
        {"<catalogue/>", "d.dat: <catalogue> is neither a <datafile> nor a <softwarelist>"},
        {"clrmamepro ( name x )\ngame (\n name \"open\n)", "d.dat: line 3: a quoted text is not closed on its line"},
        {"game ( name x\n rom ( size 1 )\n", "d.dat: line 3: the file ends inside the block opened on line 1"},
        {"game x", "d.dat: line 1: expected '(' after game"},
        {")", "d.dat: line 1: expected the name of a block, found ')'"},
        {" \r\n", "d.dat: the file is empty"},
    };
    for (const Case& c : cases) {
        try {
            ParseDat(c.text, "d.dat");
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const DatError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message) << e.what();
        }
    }
    // A file that is not there is named as well.
    EXPECT_THROW(LoadDatFile("/nonexistent/x.dat"), DatError);
    // A zipped DAT is parsed inside the inflated member; its line is counted in the text as it was.
    test::TempDir dir;
    try {
        LoadDatFile(WriteZip(dir, "broken.dat", "<datafile>\n<game name=\"a\">\n</datafile>\n"));
        ADD_FAILURE() << "no error for the broken zipped DAT";
    } catch (const DatError& e) {
        EXPECT_NE(std::string(e.what()).find("dat.zip <broken.dat>: line 3 (byte "), std::string::npos) << e.what();
    }
}

TEST(DatFile, AFixdatKeepsTheHeaderAndEveryHash) {
    const std::string sha256(64, 'a');
    const std::string text = R"X(<datafile><header><name>N</name><description>D</description><category>C</category>
<version>V</version><date>2026-01-01</date><author>A</author><email>e@x</email><homepage>H</homepage><url>U</url>
<comment>&lt;c&gt;</comment></header>
<game name="One"><rom name="one.bin" size="4" crc="01020304" sha256=")X" + sha256 + R"X("/></game>
<game name="Two"><rom name="two.bin" size="4" crc="05060708" sha256="abc"/></game></datafile>)X";
    const DatFile dat = ParseDat(text, "x.dat");
    EXPECT_EQ(dat.skipped, 1u);  // the SHA-256 that is no SHA-256
    ASSERT_EQ(dat.roms.size(), 1u);
    ASSERT_TRUE(dat.roms[0].sha256);
    EXPECT_EQ(HexText(*dat.roms[0].sha256), sha256);
    const DatFile fixdat = ParseDat(FixdatText(dat, {0}), "fix.dat");
    DatHeader expected = dat.header;
    expected.name = "fixdat_N";
    for (const HeaderField& field : kHeaderFields) EXPECT_EQ(fixdat.header.*field.value, expected.*field.value) << field.name;
    EXPECT_EQ(dat.header.comment, "<c>");
    ASSERT_EQ(fixdat.roms.size(), 1u);
    EXPECT_EQ(fixdat.roms[0].sha256, dat.roms[0].sha256);
}

TEST(DatFile, HashTextsMustBeWhole) {
    EXPECT_EQ(ParseCrc("0000000A"), 10u);
    for (std::string_view bad : {"", "1234567", "123456789", "1234567g", "-1234567"}) EXPECT_FALSE(ParseCrc(bad)) << bad;
    EXPECT_EQ(ParseRomSize("0x10"), 16u);
    EXPECT_EQ(ParseRomSize("16"), 16u);
    for (std::string_view bad : {"", "0x", "-1", "1e3", "9999999999999999999"}) EXPECT_FALSE(ParseRomSize(bad)) << bad;
}

}  // namespace
}  // namespace dat_file_test
}  // namespace vorne
