#include "formats/mp3.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "images.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "support/temp_dir.h"

namespace vorne {
namespace mp3_test {
namespace {

using samples::Bytes;
using Field = Mp3Field;

// The title and the decoded columns up to the genre joined by '|'.
std::string Decoded(const Mp3Tag& reader) {
    std::string out = *reader.ColumnText(Field::Title);
    for (int i = kFirstDecodedColumn; i <= FieldNumber(Field::Genre); ++i) out += "|" + *reader.ColumnText(i);
    EXPECT_FALSE(reader.ColumnText(Field::Count).has_value());
    return out;
}

std::string DecodedMemory(const Bytes& bytes) {
    // An exactly sized heap copy, so a read past the end is caught by the sanitizer build.
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    Mp3Tag reader;
    reader.LoadMemory({copy.get(), bytes.size()}, "x.mp3");
    return Decoded(reader);
}

Bytes Concat(Bytes a, const std::string& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

const Bytes kAudio = samples::MakeMp3({.frames = 2, .tagged = false});
const Bytes kTagged = samples::MakeMp3({.frames = 2, .title = "Sunny", .artist = "Band", .album = "Alb", .year = "2026",
                                        .comment = "c", .genre = 17});
// The tag a file without one gets: every text field blank-started, genre 255.
const std::string kNewTag = "TAG" + (" " + Zeros(29)) + (" " + Zeros(29)) + (" " + Zeros(29)) + (" " + Zeros(3)) +
                            (" " + Zeros(29)) + "\xFF";

TEST(Mp3Tag, DecodesColumns) {
    struct Case {
        const char* what;
        Bytes file;
        std::string want;
    };
    std::string blanksTitle = "TAG" + std::string("Song") + std::string(26, ' ') + Zeros(95);
    const Case cases[] = {
        {"tagged", kTagged, "Sunny|Band|Alb|2026|c|17"},
        {"no tag", kAudio, "|||||"},
        {"30 characters, blanks kept", Concat(kAudio, blanksTitle), "Song                          |||||0"},
        {"a new tag", Concat(kAudio, kNewTag), " | | | | |255"},
        {"empty file", {}, "|||||"},
        {"TAG alone", Concat({}, "TAG"), "|||||"},
        {"127 bytes starting with TAG", Concat({}, "TAG" + Zeros(124)), "|||||"},
        {"only a tag", Concat({}, kNewTag), " | | | | |255"},
    };
    Mp3Tag reused;
    for (const Case& c : cases) {
        EXPECT_EQ(DecodedMemory(c.file), c.want) << c.what;
        reused.LoadMemory(kTagged, "tagged.mp3");  // nothing of it may linger
        reused.LoadMemory(c.file, "x.mp3");
        EXPECT_EQ(Decoded(reused), c.want) << c.what;
        EXPECT_EQ(*reused.ColumnText(Field::Size), std::to_string(c.file.size()));
    }
}

class Mp3FileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir / "song.mp3";
};

TEST_F(Mp3FileTest, WriteFieldBytes) {
    struct Case {
        Field field;
        std::string_view value;
        std::size_t offset;  // within the tag
        std::string bytes;
    };
    const Case cases[] = {
        {Field::Title, "Song", 3, "Song " + Zeros(25)},
        {Field::Title, "", 3, " " + Zeros(29)},
        {Field::Title, "Thirty characters of title!!!!", 3, "Thirty characters of title!!!!"},
        {Field::Title, "Thirty-five characters of title....", 3, "Thirty-five characters of titl"},
        {Field::Artist, std::string_view("Art\0ist", 7), 33, "Art " + Zeros(26)},  // a value ends at its first NUL
        {Field::Album, "Album", 63, "Album " + Zeros(24)},
        {Field::Year, "1998", 93, "1998"},
        {Field::Year, "98", 93, "98 " + Zeros(1)},
        {Field::Year, "19985", 93, "1998"},
        {Field::Comment, "   ", 97, "    " + Zeros(26)},
        {Field::Genre, "17", 127, "\x11"},
        {Field::Genre, "300", 127, ","},
        {Field::Genre, "pop", 127, Zeros(1)},
    };
    for (const Case& c : cases) {
        for (bool tagged : {true, false}) {
            const Bytes original = tagged ? kTagged : kAudio;
            samples::WriteFile(path, original);
            Mp3Tag reader;
            reader.LoadFile(path);
            ASSERT_EQ(reader.WriteField(c.value, c.field), FieldWrite::Written);
            // A tag is rewritten in place; a file without one gets a new tag behind the audio.
            Bytes want = tagged ? original : Concat(original, kNewTag);
            std::copy(c.bytes.begin(), c.bytes.end(), want.end() - 128 + static_cast<std::ptrdiff_t>(c.offset));
            EXPECT_EQ(ReadWholeFile(path), want) << "field " << FieldNumber(c.field) << " = " << c.value << " tagged " << tagged;
        }
    }
}

TEST_F(Mp3FileTest, WritesBuildOneTagAndReadBack) {
    samples::WriteFile(path, kAudio);
    Mp3Tag reader;
    reader.LoadFile(path);
    EXPECT_EQ(reader.WriteField("x", Field::Filename), FieldWrite::Unsupported);
    EXPECT_EQ(reader.WriteField("x", Field::Count), FieldWrite::Unsupported);
    EXPECT_EQ(reader.WriteField("x", Field::ExtraEnd), FieldWrite::Unsupported);
    EXPECT_EQ(ReadWholeFile(path), kAudio);
    for (auto [field, value] : {std::pair{Field::Title, "Song"}, {Field::Album, "Album"}, {Field::Artist, "Artist"},
                                {Field::Year, "1999"}, {Field::Comment, "Nice"}, {Field::Genre, "8"}}) {
        ASSERT_EQ(reader.WriteField(value, field), FieldWrite::Written);
    }
    EXPECT_EQ(std::filesystem::file_size(path), kAudio.size() + 128);
    reader.LoadFile(path);
    EXPECT_EQ(Decoded(reader), "Song |Artist |Album |1999|Nice |8");
}

// A reader decides on the file as it is now: a tag that vanished since loading is neither cut
// again nor written over the audio.
TEST_F(Mp3FileTest, TagRemovedSinceLoading) {
    samples::WriteFile(path, kTagged);
    Mp3Tag reader;
    reader.LoadFile(path);
    samples::WriteFile(path, kAudio);
    EXPECT_FALSE(reader.DeleteTag());
    EXPECT_EQ(ReadWholeFile(path), kAudio);

    // Loaded with a tag that then vanished: the write goes behind the audio, not over it.
    samples::WriteFile(path, kTagged);
    reader.LoadFile(path);
    samples::WriteFile(path, kAudio);
    ASSERT_EQ(reader.WriteField("Song", Field::Title), FieldWrite::Written);
    Bytes want = Concat(kAudio, kNewTag);
    std::copy_n("Song ", 5, want.end() - 125);
    EXPECT_EQ(ReadWholeFile(path), want);
}

TEST_F(Mp3FileTest, DeleteTag) {
    struct Case {
        const char* what;
        Bytes file;
        bool cut;
    };
    const Case cases[] = {
        {"tagged", kTagged, true},
        {"no tag", kAudio, false},
        {"only a tag", Concat({}, kNewTag), true},
        {"shorter than a tag", Concat({}, "TAG"), false},
    };
    for (const Case& c : cases) {
        samples::WriteFile(path, c.file);
        Mp3Tag reader;
        reader.LoadFile(path);
        EXPECT_EQ(reader.DeleteTag(), c.cut) << c.what;
        Bytes want = c.file;
        if (c.cut) want.resize(want.size() - 128);
        EXPECT_EQ(ReadWholeFile(path), want) << c.what;
        EXPECT_FALSE(reader.HasTag());
        EXPECT_EQ(Decoded(reader), "|||||");
        EXPECT_EQ(*reader.ColumnText(Field::Size), std::to_string(want.size()));
    }
}

TEST_F(Mp3FileTest, FailuresLeaveTheFileWhole) {
    // Cutting the tag off needs no room: a size limit that no copy of the file would pass is no
    // obstacle, and no temporary file is made.
    samples::WriteFile(path, kTagged);
    Mp3Tag reader;
    reader.LoadFile(path);
    {
        test::FileSizeLimit limit(kTagged.size() / 2);
        EXPECT_TRUE(reader.DeleteTag());
    }
    EXPECT_EQ(ReadWholeFile(path), Bytes(kTagged.begin(), kTagged.end() - 128));
    EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"song.mp3"});

    // A new tag that cannot be appended whole leaves no part of itself behind.
    samples::WriteFile(path, kAudio);
    reader.LoadFile(path);
    {
        test::FileSizeLimit limit(kAudio.size() + 64);
        EXPECT_THROW(reader.WriteField("Song", Field::Title), FileError);
    }
    EXPECT_EQ(ReadWholeFile(path), kAudio);

    std::filesystem::remove(path);
    EXPECT_THROW(reader.WriteField("Song", Field::Title), FileError);
    EXPECT_THROW(reader.DeleteTag(), FileError);
    EXPECT_FALSE(std::filesystem::exists(path));  // never created
}

}  // namespace
}  // namespace mp3_test
}  // namespace vorne
