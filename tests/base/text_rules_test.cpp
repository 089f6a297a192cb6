#include "base/text_rules.h"

#include <gtest/gtest.h>

#include <array>

#include "base/rom_type.h"

namespace vorne {
namespace text_rules_test {
namespace {

TEST(TextRules, AtoiRule) {
    struct Case {
        std::string_view text;
        std::int32_t value;
    };
    for (const Case& c : {Case{"", 0}, Case{"42", 42}, Case{"  \t 7x9", 7}, Case{"-1", -1}, Case{"+15", 15},
                          Case{"abc", 0}, Case{"- 5", 0}, Case{"0065", 65}, Case{"99999999999", 2147483647},
                          Case{"-99999999999", -2147483647 - 1}, Case{"4660", 4660}}) {
        EXPECT_EQ(AtoiRule(c.text), c.value) << '"' << c.text << '"';
    }
    // Cutting to the target's width keeps the low bits.
    EXPECT_EQ(CutTo8(AtoiRule("300")), 44);
    EXPECT_EQ(CutTo8(AtoiRule("-1")), 0xFF);
    EXPECT_EQ(CutTo16(AtoiRule("65537")), 1);
}

TEST(TextRules, StrncpyFillPadsWithZerosAndStopsAtNul) {
    std::array<std::uint8_t, 5> field;
    field.fill(0xEE);
    StrncpyFill(field, "AB");
    EXPECT_EQ(field, (std::array<std::uint8_t, 5>{'A', 'B', 0, 0, 0}));
    StrncpyFill(field, "ABCDEFG");  // a text that fills the field leaves no terminator
    EXPECT_EQ(field, (std::array<std::uint8_t, 5>{'A', 'B', 'C', 'D', 'E'}));
    StrncpyFill(field, std::string_view("A\0C", 3));
    EXPECT_EQ(field, (std::array<std::uint8_t, 5>{'A', 0, 0, 0, 0}));
}

TEST(TextRules, StrcmpRuleIsBytewiseUnsigned) {
    EXPECT_LT(StrcmpRule("10", "9"), 0);  // numbers compare as text
    EXPECT_LT(StrcmpRule("1048576", "262144"), 0);
    EXPECT_LT(StrcmpRule("B", "a"), 0);  // case matters
    EXPECT_LT(StrcmpRule("abc", "abcd"), 0);
    EXPECT_GT(StrcmpRule("\xE9", "z"), 0);  // bytes above 0x7F sort after ASCII
    EXPECT_EQ(StrcmpRule("same", "same"), 0);
}

TEST(RomTypes, ParseNamesAndNumbers) {
    EXPECT_EQ(ParseRomType("NES"), RomType::Nes);
    EXPECT_EQ(ParseRomType("gameboy"), RomType::Gameboy);
    EXPECT_EQ(ParseRomType("32X"), RomType::Genesis32X);
    EXPECT_EQ(ParseRomType("7"), RomType::Zip);
    EXPECT_EQ(ParseRomType("0"), RomType::Gameboy);
    EXPECT_FALSE(ParseRomType("8"));
    EXPECT_FALSE(ParseRomType("snes2"));
    EXPECT_FALSE(ParseRomType(""));
}

TEST(RomTypes, EveryKindHasFilenameAndSizeInColumnsOneAndTwo) {
    for (const KindInfo& kind : kKinds) {
        ASSERT_GE(kind.columns.size(), 4u);
        EXPECT_EQ(kind.columns[kFilenameColumn].title, "Filename");
        EXPECT_EQ(kind.columns[kSizeColumn].title, "Size");
        EXPECT_FALSE(kind.extensions.empty());
        EXPECT_EQ(&Kind(kind.type), &kind);
        EXPECT_GE(kind.extraFieldEnd, kFirstExtraField);
    }
}

// The field numbers are what scripts give `vorne-cli set` (the README names some): a field never
// moves. These are the only field numbers written out beside the enums.
TEST(RomTypes, FieldNumbersStayWhereScriptsFindThem) {
    const struct {
        int field;
        int number;
    } pinned[] = {
        {FieldNumber(GameboyField::Checksum), 5}, {FieldNumber(GameboyField::SuperGameboy), 7},
        {FieldNumber(GameboyField::Type), 9}, {FieldNumber(GameboyField::TypeCode), 100},
        {FieldNumber(NesField::Mapper), 3}, {FieldNumber(NesField::Mirroring), 6}, {FieldNumber(NesField::FourScreen), 9},
        {FieldNumber(NesField::InternalTitle), 10}, {FieldNumber(NesField::Reserved), 11},
        {FieldNumber(NesField::ArtificialTitle), 12}, {FieldNumber(NesField::FirstReservedByte), 100},
        {FieldNumber(SnesField::Country), 8}, {FieldNumber(SnesField::MapMode), 100},
        {FieldNumber(SnesField::LicenseeCode), 102}, {FieldNumber(N64Field::Country), 5},
        {FieldNumber(GenesisField::NativeTitle), 8}, {FieldNumber(GenesisField::TypeCode), 100},
        {FieldNumber(Mp3Field::Genre), 7}, {FieldNumber(ZipField::Uncompressed), 3},
    };
    for (const auto& p : pinned) EXPECT_EQ(p.field, p.number);
}

}  // namespace
}  // namespace text_rules_test
}  // namespace vorne
