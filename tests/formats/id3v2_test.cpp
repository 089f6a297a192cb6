// The tags beside ID3v1, checked against mutagen: what it writes reads back in the MP3 columns,
// and what Vorne writes it reads back, with every frame Vorne did not change kept byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "formats/mp3.h"
#include "images.h"
#include "platform/file.h"
#include "platform/file_error.h"
#include "support/tag_tool.h"
#include "support/temp_dir.h"

namespace vorne {
namespace {

using samples::Bytes;
using Field = Mp3Field;

#define REQUIRE_MUTAGEN() \
    if (!test::MutagenPython()) GTEST_SKIP() << "python3-mutagen is not installed, so there is no reader to check against"

// Title, artist, album, year, comment, genre and the Tags column, joined by '|'.
std::string Shown(const Mp3Tag& reader) {
    std::string out = *reader.ColumnText(Field::Title);
    for (Field f : {Field::Artist, Field::Album, Field::Year, Field::Comment, Field::Genre, Field::Tags}) {
        out += "|" + *reader.ColumnText(f);
    }
    return out;
}

const Bytes kAudio = samples::MakeMp3({.frames = 3, .tagged = false});
const Bytes kV1 = [] {
    Bytes tagged = samples::MakeMp3({.frames = 3, .title = "One", .artist = "V1", .genre = 8});
    return Bytes(tagged.end() - 128, tagged.end());
}();

Bytes Append(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An ID3v2.2 tag with a title and an artist in ISO-8859-1, made by hand (mutagen writes no 2.2).
Bytes Id3v22Tag() {
    Bytes frames;
    for (auto [id, text] : {std::pair{"TT2", "Old"}, {"TP1", "Band"}}) {
        const std::string body = std::string(1, '\0') + text;
        frames.insert(frames.end(), id, id + 3);
        frames.insert(frames.end(), {0, 0, static_cast<std::uint8_t>(body.size())});
        frames.insert(frames.end(), body.begin(), body.end());
    }
    Bytes tag(10 + frames.size() + 20, 0);  // 20 bytes of padding
    const std::uint8_t header[] = {'I', 'D', '3', 2, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(frames.size() + 20)};
    std::copy(std::begin(header), std::end(header), tag.begin());
    std::copy(frames.begin(), frames.end(), tag.begin() + 10);
    return tag;
}

class Id3v2Test : public ::testing::Test {
protected:
    // The audio with a tag mutagen writes: ID3v2.`version` in text `encoding`.
    void Make(const Bytes& audio, int version, int encoding, std::vector<std::string> fields, bool extras = false) {
        samples::WriteFile(path, audio);
        std::vector<std::string> args{"make", path, std::to_string(version), std::to_string(encoding)};
        if (extras) args.push_back("--extras");
        args.insert(args.end(), fields.begin(), fields.end());
        test::RunTagTool(args);
    }
    std::string Load() {
        reader.LoadFile(path);
        return Shown(reader);
    }

    test::TempDir dir;
    std::string path = dir / "song.mp3";
    Mp3Tag reader;
};

TEST_F(Id3v2Test, ReadsEveryVersionAndEncoding) {
    REQUIRE_MUTAGEN();
    struct Case {
        int version, encoding;
        const char* title;
    };
    // ISO-8859-1, UTF-16 with a byte order mark, UTF-16BE and UTF-8 (the last two 2.4 only).
    const Case cases[] = {
        {3, 0, "Grüße"}, {3, 1, "Grüße 日本"}, {4, 0, "Grüße"}, {4, 1, "Grüße 日本"}, {4, 2, "Grüße 日本"}, {4, 3, "Grüße 日本"},
    };
    for (const Case& c : cases) {
        Make(kAudio, c.version, c.encoding,
             {std::string("TITLE=") + c.title, "ARTIST=Bänd", "ALBUM=Alb", "YEAR=1999", "COMMENT=Nett", "GENRE=Rock"});
        const std::string tags = "ID3v2." + std::to_string(c.version);
        EXPECT_EQ(Load(), std::string(c.title) + "|Bänd|Alb|1999|Nett|17|" + tags) << tags << " encoding " << c.encoding;
    }
    // A genre that is none of ID3v1's shows as its text.
    Make(kAudio, 4, 3, {"GENRE=Synthwave"});
    EXPECT_EQ(Load(), "|||||Synthwave|ID3v2.4");
}

TEST_F(Id3v2Test, WhichTagIsShown) {
    REQUIRE_MUTAGEN();
    // ID3v1 wins where there is one, exactly as without the other tags.
    Make(kAudio, 3, 0, {"TITLE=Two", "ARTIST=V2"});
    samples::WriteFile(path, Append(ReadWholeFile(path), kV1));
    EXPECT_EQ(Load(), "One|V1||||8|ID3v1 + ID3v2.3");

    samples::WriteFile(path, kAudio);
    test::RunTagTool({"ape", path, "TITLE=Ape title", "ARTIST=Ape", "YEAR=2001"});
    EXPECT_EQ(Load(), "Ape title|Ape||2001|||APE");
    samples::WriteFile(path, Append(ReadWholeFile(path), kV1));
    EXPECT_EQ(Load(), "One|V1||||8|ID3v1 + APE");

    samples::WriteFile(path, Append(Id3v22Tag(), kAudio));
    EXPECT_EQ(Load(), "Old|Band|||||ID3v2.2");
    samples::WriteFile(path, kAudio);
    EXPECT_EQ(Load(), "||||||");
    // A header that breaks the rules (a size byte with its top bit set) is no tag.
    Bytes broken = Append(Id3v22Tag(), kAudio);
    broken[9] |= 0x80;
    samples::WriteFile(path, broken);
    EXPECT_EQ(Load(), "||||||");
}

// Frames other than those of `changed` (and only the comment without a description among the
// comments), in order.
std::vector<std::pair<std::string, std::string>> OtherFrames(const test::MutagenTag& tag,
                                                             std::initializer_list<std::string> changed) {
    std::vector<std::pair<std::string, std::string>> kept;
    for (const auto& frame : tag.frames) {
        // A described comment's text is its description, after encoding and language.
        const bool plainComment = frame.first == "COMM" && frame.second.substr(28, 2) == "00";
        if (std::find(changed.begin(), changed.end(), frame.first) == changed.end() &&
            !(frame.first == "COMM" && plainComment)) {
            kept.push_back(frame);
        }
    }
    return kept;
}

TEST_F(Id3v2Test, WritesInStepAndKeepsEveryOtherFrame) {
    REQUIRE_MUTAGEN();
    for (int version : {3, 4}) {
        for (bool withV1 : {false, true}) {
            Make(kAudio, version, 0, {"TITLE=Old", "COMMENT=old", "GENRE=Pop"}, true);
            if (withV1) samples::WriteFile(path, Append(ReadWholeFile(path), kV1));
            const Bytes before = ReadWholeFile(path);
            const test::MutagenTag was = test::ReadWithMutagen(path);
            reader.LoadFile(path);
            const std::vector<FieldEdit> edits{{Field::Title, std::string("Neuer Titel ü")},
                                               {Field::Comment, std::string("new")},
                                               {Field::Genre, 17},
                                               {Field::Album, std::string("Album")}};
            reader.WriteFields(edits);

            const std::string what = "2." + std::to_string(version) + (withV1 ? " with ID3v1" : "");
            const test::MutagenTag now = test::ReadWithMutagen(path);
            EXPECT_EQ(now.fields.at("version"), "2." + std::to_string(version)) << what;
            EXPECT_EQ(now.fields.at("title"), "Neuer Titel ü") << what;
            EXPECT_EQ(now.fields.at("comment"), "new") << what;
            EXPECT_EQ(now.fields.at("genre"), "Rock") << what;
            EXPECT_EQ(now.fields.at("album"), "Album") << what;
            EXPECT_EQ(OtherFrames(now, {"TIT2", "TCON", "TALB"}), OtherFrames(was, {"TIT2", "TCON", "TALB"})) << what;
            // The tag kept its size (the frames fit in its padding), the audio is where it was.
            const Bytes after = ReadWholeFile(path);
            ASSERT_EQ(after.size(), before.size() + (withV1 ? 0 : 128)) << what;
            EXPECT_TRUE(std::equal(after.end() - 128 - static_cast<std::ptrdiff_t>(kAudio.size()), after.end() - 128,
                                   kAudio.begin()))
                << what;
            // ID3v1 holds the same fields.
            reader.LoadFile(path);
            EXPECT_EQ(Shown(reader).substr(0, 14), "Neuer Titel \xC3\xBC") << what;
            EXPECT_EQ(*reader.ColumnText(Field::Tags), "ID3v1 + ID3v2." + std::to_string(version)) << what;
        }
    }
}

TEST_F(Id3v2Test, GrowingTagMovesTheAudioWholeOrNotAtAll) {
    REQUIRE_MUTAGEN();
    Make(kAudio, 3, 1, {"TITLE=Old"}, true);
    const Bytes before = ReadWholeFile(path);
    const std::string longTitle(2000, 'x');  // more than the padding holds
    reader.LoadFile(path);
    {
        test::FileSizeLimit limit(before.size() + 1000);
        EXPECT_THROW(reader.WriteField(longTitle, Field::Title), FileError);
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(test::ListFolder(dir.Path()), std::vector<std::string>{"song.mp3"});

    reader.WriteField(longTitle, Field::Title);
    EXPECT_EQ(test::ReadWithMutagen(path).fields.at("title"), longTitle);
    const Bytes after = ReadWholeFile(path);
    EXPECT_TRUE(std::equal(after.end() - 128 - static_cast<std::ptrdiff_t>(kAudio.size()), after.end() - 128, kAudio.begin()));
}

TEST_F(Id3v2Test, AddsAnId3v2TagOnlyWhenAsked) {
    REQUIRE_MUTAGEN();
    samples::WriteFile(path, Append(kAudio, kV1));
    reader.LoadFile(path);
    reader.WriteField("Song", Field::Title);
    const Bytes plain = ReadWholeFile(path);
    EXPECT_EQ(plain.size(), kAudio.size() + 128);
    EXPECT_TRUE(std::equal(kAudio.begin(), kAudio.end(), plain.begin()));

    reader.SetAddId3v2(true);
    reader.WriteField("A year", Field::Comment);
    const test::MutagenTag added = test::ReadWithMutagen(path);
    EXPECT_EQ(added.fields.at("version"), "2.3");
    EXPECT_EQ(added.fields.at("title"), "Song");  // what ID3v1 held, without the blank it adds
    EXPECT_EQ(added.fields.at("artist"), "V1");
    EXPECT_EQ(added.fields.at("comment"), "A year");
    EXPECT_EQ(added.fields.at("genre"), "Jazz");
}

TEST_F(Id3v2Test, RefusesTagsItCannotChangeWritingNothing) {
    const Bytes files[] = {Append(Id3v22Tag(), kAudio), [] {
                               Bytes unsync = Append(Id3v22Tag(), kAudio);
                               unsync[3] = 3, unsync[5] = 0x80;  // a 2.3 tag unsynchronised as a whole
                               return unsync;
                           }()};
    for (const Bytes& file : files) {
        samples::WriteFile(path, file);
        reader.LoadFile(path);
        EXPECT_THROW(reader.WriteField("New", Field::Title), OperationRefused);
        EXPECT_EQ(ReadWholeFile(path), file);
    }
}

// An ID3v1.1 track number survives a comment that leaves room for it.
TEST_F(Id3v2Test, Id3v1TrackNumberKept) {
    struct Case {
        std::string comment;
        std::string bytes;  // the comment's 30 bytes after the write
    };
    const std::string z(1, '\0');
    const Case cases[] = {
        {"short", "short " + std::string(22, '\0') + z + "\x07"},
        {std::string(28, 'c'), std::string(28, 'c') + z + "\x07"},
        {std::string(29, 'c'), std::string(29, 'c') + " "},  // too long: the track goes
    };
    for (const Case& c : cases) {
        Bytes file = Append(kAudio, kV1);
        file[file.size() - 3] = 0, file[file.size() - 2] = 7;  // track 7
        samples::WriteFile(path, file);
        reader.LoadFile(path);
        reader.WriteField(c.comment, Field::Comment);
        const Bytes after = ReadWholeFile(path);
        EXPECT_EQ(std::string(after.end() - 31, after.end() - 1), c.bytes) << c.comment;
    }
}

}  // namespace
}  // namespace vorne
