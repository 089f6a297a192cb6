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
namespace id3v2_test {
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

using samples::Id3v2Frame;
using samples::Id3v2Tag;

// An ID3v2.2 tag with a title and an artist in ISO-8859-1 (mutagen writes no 2.2).
Bytes Id3v22Tag() {
    return Id3v2Tag(2, 0, {Id3v2Frame(2, "TT2", std::string(1, '\0') + "Old"), Id3v2Frame(2, "TP1", std::string(1, '\0') + "Band")});
}

// `bytes` unsynchronised: a zero byte after each 0xFF that a 0xE0 or higher, or a zero, follows.
Bytes Unsynchronised(const Bytes& bytes) {
    Bytes out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] >= 0xE0 || bytes[i + 1] == 0)) out.push_back(0);
    }
    return out;
}

bool Holds(const Bytes& file, const Bytes& part) {
    return std::search(file.begin(), file.end(), part.begin(), part.end()) != file.end();
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

// iTunes writes ID3v2.4 frame sizes as plain numbers: the frames after a large one are still read,
// and a write keeps them all (before, it cut the picture and dropped what followed it).
TEST_F(Id3v2Test, PlainFrameSizesOfItunesAreReadAndKept) {
    const std::string picture = std::string(1, '\0') + "image/png" + std::string(1, '\0') + "\3" + std::string(1, '\0') +
                                std::string(300, '\x01');
    const Bytes apic = Id3v2Frame(4, "APIC", picture, true);
    const Bytes tag = Id3v2Tag(4, 0, {Id3v2Frame(4, "TIT2", "\3Old"), apic, Id3v2Frame(4, "TPE1", "\3Band", true),
                                        Id3v2Frame(4, "TALB", "\3Album", true)});
    samples::WriteFile(path, Append(tag, kAudio));
    EXPECT_EQ(Load(), "Old|Band|Album||||ID3v2.4");

    reader.WriteField("New", Field::Title);
    const Bytes written = ReadWholeFile(path);
    EXPECT_TRUE(Holds(written, Bytes(apic.begin() + 10, apic.end())));  // the picture whole
    EXPECT_TRUE(std::equal(kAudio.begin(), kAudio.end(), written.end() - 128 - static_cast<std::ptrdiff_t>(kAudio.size())));
    if (test::MutagenPython()) {
        const test::MutagenTag now = test::ReadWithMutagen(path);
        EXPECT_EQ(now.fields.at("title") + "|" + now.fields.at("artist") + "|" + now.fields.at("album"), "New|Band|Album");
    }
    // Without its ID3v1 tag the file shows its ID3v2 tag at once.
    EXPECT_TRUE(reader.DeleteTag());
    EXPECT_EQ(Shown(reader), "New|Band|Album||||ID3v2.4");

    // Bytes after the last frame that are neither a frame nor padding would be lost: nothing is
    // written.
    Bytes junk = Id3v2Tag(4, 0, {Id3v2Frame(4, "TIT2", "\3Old"), Bytes{'x', 'y', 0x01, 0x02}});
    junk = Append(junk, kAudio);
    samples::WriteFile(path, junk);
    reader.LoadFile(path);
    EXPECT_THROW(reader.WriteField("New", Field::Title), OperationRefused);
    EXPECT_EQ(ReadWholeFile(path), junk);
}

// ID3v2.2 tags and unsynchronised ones are written too: 2.2 keeps its version and gets 2.2
// frames, an unsynchronised tag is written back plain with every other frame's content kept.
TEST_F(Id3v2Test, WritesVersion22AndUnsynchronisedTags) {
    const Bytes secret = Id3v2Frame(3, "PRIV", std::string("me") + '\0' + "\xFF\xE0\xFF" + '\0' + "\xFF");
    const Bytes plain = Id3v2Tag(3, 0, {Id3v2Frame(3, "TIT2", std::string(1, '\0') + "Old"), secret,
                                        Id3v2Frame(3, "TPE1", std::string(1, '\0') + "Band")}, 0);
    const Bytes unsynchronised = Id3v2Tag(3, 0x80, {Unsynchronised(Bytes(plain.begin() + 10, plain.end()))});
    const struct {
        const char* what;
        Bytes tag;
        std::string shown;  // of the ID3v2 tag after the write
        int version;
    } cases[] = {
        {"2.2", Id3v22Tag(), "New|Band|||Nett||ID3v2.2", 2},
        {"2.3 unsynchronised", unsynchronised, "New|Band|||Nett||ID3v2.3", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        samples::WriteFile(path, Append(c.tag, kAudio));
        reader.LoadFile(path);
        reader.WriteFields(std::vector<FieldEdit>{{Field::Title, std::string("New")}, {Field::Comment, std::string("Nett")}});
        const Bytes written = ReadWholeFile(path);
        EXPECT_EQ(written[3], c.version);
        EXPECT_EQ(written[5], 0);  // no longer unsynchronised
        if (c.version == 3) {
            EXPECT_TRUE(Holds(written, secret));
        }
        if (test::MutagenPython()) {
            const test::MutagenTag now = test::ReadWithMutagen(path);
            EXPECT_EQ(now.fields.at("version"), "2." + std::to_string(c.version));
            EXPECT_EQ(now.fields.at("title") + "|" + now.fields.at("artist") + "|" + now.fields.at("comment"), "New|Band|Nett");
        }
        EXPECT_TRUE(reader.DeleteTag());
        EXPECT_EQ(Shown(reader), c.shown);
    }

    // A compressed 2.2 tag is refused for that reason, and nothing is written.
    Bytes compressed = Append(Id3v22Tag(), kAudio);
    compressed[5] = 0x40;
    samples::WriteFile(path, compressed);
    reader.LoadFile(path);
    try {
        reader.WriteField("New", Field::Title);
        ADD_FAILURE() << "written";
    } catch (const OperationRefused& e) {
        EXPECT_NE(std::string(e.what()).find("compressed"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadWholeFile(path), compressed);
}

// A write that gives a file its first ID3v1 tag fills the fields it does not write from what the
// list showed of the ID3v2 tag: cut to ID3v1's widths, in ISO-8859-1 where the text allows.
TEST_F(Id3v2Test, ANewId3v1TagTakesTheOtherFieldsFromTheId3v2Tag) {
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // three characters, nine bytes
    const Bytes tag = Id3v2Tag(4, 0, {Id3v2Frame(4, "TIT2", "\3Old"), Id3v2Frame(4, "TPE1", "\3" + japanese + japanese + japanese + japanese),
                                        Id3v2Frame(4, "TALB", "\3Gr\xC3\xBC\xC3\x9F" "e"), Id3v2Frame(4, "TDRC", "\3" "2001"),
                                        Id3v2Frame(4, "TCON", "\3Rock"), Id3v2Frame(4, "COMM", std::string("\3eng") + '\0' + "Nice"),
                                        Id3v2Frame(4, "TRCK", "\3" "7/12")});
    samples::WriteFile(path, Append(tag, kAudio));
    reader.LoadFile(path);
    reader.WriteField("New", Field::Title);
    const Bytes after = ReadWholeFile(path);
    const std::string z(1, '\0');
    const std::string want = "TAG" + ("New " + std::string(26, '\0')) + (japanese + japanese + japanese + "\xE6\x97\xA5") +
                             ("Gr\xFC\xDF" "e " + std::string(24, '\0')) + "2001" + ("Nice " + std::string(23, '\0')) + z +
                             "\x07" + "\x11";
    EXPECT_EQ(std::string(after.end() - 128, after.end()), want);
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
}  // namespace id3v2_test
}  // namespace vorne
