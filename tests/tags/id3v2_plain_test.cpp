// Plain ID3v2 frames read on their own give what TagLib gives for the same tag, and the tags that
// are not plain are left to TagLib.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tags/byte_source.h"
#include "tags/id3v2_plain.h"

namespace vorne {
namespace id3v2_plain_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The first size byte of the second frame of Tag(4, {{"TIT2", L("Song")}, ...}).
constexpr std::size_t kOddSizeByte = 10 + 10 + 5 + 4;

struct Frame {
    std::string id;
    std::string body;  // the encoding byte first
    std::uint8_t flags = 0;
};

Bytes Tag(int major, const std::vector<Frame>& frames) {
    Bytes frameBytes;
    for (const Frame& f : frames) {
        frameBytes.insert(frameBytes.end(), f.id.begin(), f.id.end());
        const std::size_t n = f.body.size();
        for (int k = 3; k >= 0; --k) {
            frameBytes.push_back(static_cast<std::uint8_t>(major == 4 ? (n >> (7 * k)) & 0x7F : (n >> (8 * k)) & 0xFF));
        }
        frameBytes.insert(frameBytes.end(), {0, f.flags});
        frameBytes.insert(frameBytes.end(), f.body.begin(), f.body.end());
    }
    Bytes tag{'I', 'D', '3', static_cast<std::uint8_t>(major), 0, 0};
    for (int k = 3; k >= 0; --k) tag.push_back(static_cast<std::uint8_t>((frameBytes.size() >> (7 * k)) & 0x7F));
    tag.insert(tag.end(), frameBytes.begin(), frameBytes.end());
    return tag;
}

std::string L(const std::string& text) { return std::string(1, '\0') + text; }  // ISO-8859-1
std::string U(const std::string& text) { return "\x03" + text; }                  // UTF-8
std::string Comment(const std::string& description, const std::string& text) {
    return std::string(1, '\0') + "eng" + description + std::string(1, '\0') + text;
}

TEST(PlainId3v2, AgreesWithTagLibAndLeavesItWhatIsNotPlain) {
    const struct {
        const char* what;
        int major;
        std::vector<Frame> frames;
        bool plain;
    } cases[] = {
        {"2.3, every column", 3,
         {{"TIT2", L("Song")}, {"TPE1", L("Band")}, {"TALB", L("Album")}, {"TYER", L("2026")}, {"TRCK", L("7/12")},
          {"TCON", L("Rock")}, {"COMM", Comment("", "hello")}},
         true},
        {"2.4 in UTF-8, a date, a genre number", 4,
         {{"TIT2", U("Caf\xC3\xA9")}, {"TDRC", U("2026-05-01")}, {"TCON", U("17")}, {"TRCK", U("07")}}, true},
        {"ISO-8859-1 past ASCII", 3, {{"TIT2", L("Caf\xE9")}, {"TPE1", L("\xC3\xA9")}}, true},
        {"NULs that end the texts, an empty album", 4, {{"TIT2", L(std::string("Song\0\0", 6))}, {"TALB", L("")}}, true},
        {"a comment with a description, a genre no list names", 3,
         {{"COMM", Comment("note", "text")}, {"TCON", L("Weird Genre")}}, true},
        {"a short year, a plain track", 3, {{"TYER", L("99")}, {"TRCK", L("3")}}, true},
        {"a genre in parentheses", 3, {{"TCON", L("(17)")}}, false},
        {"a genre number and name", 3, {{"TCON", L("(31)Trance")}}, false},
        {"two values", 4, {{"TIT2", L(std::string("A\0B", 3))}}, false},
        {"UTF-16", 3, {{"TIT2", std::string("\x01\xFF\xFE" "A\0", 5)}}, false},
        {"UTF-8 in 2.3", 3, {{"TIT2", U("A")}}, false},
        {"bytes that are not UTF-8", 4, {{"TIT2", U("\xC3")}}, false},
        {"a year that is no number", 3, {{"TYER", L("abcd")}}, false},
        {"a track after a space", 3, {{"TRCK", L(" 7")}}, false},
        {"a frame with flags", 3, {{"TIT2", L("Song"), 0x40}}, false},
        {"a title twice", 3, {{"TIT2", L("One")}, {"TIT2", L("Two")}}, false},
        {"a 2.4 year frame in 2.3", 3, {{"TDRC", L("2026")}}, false},
    };
    // A 2.4 frame size with a byte past seven bits: TagLib takes it for a plain number.
    Bytes oddSize = Tag(4, {{"TIT2", L("Song")}, {"TDRC", L("2026")}});
    oddSize[kOddSizeByte] |= 0x80;
    EXPECT_FALSE(PlainId3v2Texts(oddSize)) << "odd size";
    EXPECT_EQ(ReadId3v2(MemorySource(oddSize)), ReadId3v2ByTagLib(MemorySource(oddSize))) << "odd size";
    for (const auto& c : cases) {
        const Bytes tag = Tag(c.major, c.frames);
        EXPECT_EQ(PlainId3v2Texts(tag).has_value(), c.plain) << c.what;
        const std::optional<TagTexts> ours = ReadId3v2(MemorySource(tag));
        const std::optional<TagTexts> taglib = ReadId3v2ByTagLib(MemorySource(tag));
        ASSERT_TRUE(ours && taglib) << c.what;
        EXPECT_EQ(ours->title, taglib->title) << c.what;
        EXPECT_EQ(ours->artist, taglib->artist) << c.what;
        EXPECT_EQ(ours->album, taglib->album) << c.what;
        EXPECT_EQ(ours->year, taglib->year) << c.what;
        EXPECT_EQ(ours->comment, taglib->comment) << c.what;
        EXPECT_EQ(ours->genre, taglib->genre) << c.what;
        EXPECT_EQ(ours->track, taglib->track) << c.what;
    }
}

}  // namespace
}  // namespace id3v2_plain_test
}  // namespace vorne
