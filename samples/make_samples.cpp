// vorne-samples OUTDIR: writes a small synthetic collection of every kind, and a DAT file of each
// cartridge kind to check it against. No byte of it comes from a real cartridge or recording;
// every title and name is invented.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "dat/rom_hashes.h"
#include "images.h"
#include "zip_writer.h"

using namespace vorne::samples;

namespace {

std::string CrcText(const Bytes& image, std::size_t skip, std::size_t trailer = 0) {
    char text[9];
    std::span<const std::uint8_t> data(image.data() + skip, image.size() - skip - trailer);
    std::snprintf(text, sizeof text, "%08x", vorne::Crc32(data));
    return text;
}

std::string Padded(const std::string& title, std::size_t size) {
    std::string padded = title;
    padded.resize(size, '\0');
    return padded;
}

void WriteNes(const std::string& out, std::string& knownList) {
    NesRecipe pilot{.prgBanks = 8, .chrBanks = 4, .flags6 = 0x12, .seed = 11};
    Bytes pilotImage = MakeNes(pilot);
    WriteFile(out + "/nes/Pixel Pilot (U).nes", pilotImage);
    // The same image with a title of our own behind it: a duplicate.
    NesRecipe pilotTitled = pilot;
    pilotTitled.trailer = Padded("Pixel Pilot - my copy", 128);
    WriteFile(out + "/nes/Pixel Pilot (U) [titled].nes", MakeNes(pilotTitled));

    // A ripper's signature over bytes 7 to 15: byte 7 is not a mapper nibble.
    NesRecipe crawler{.prgBanks = 8, .chrBanks = 8, .flags6 = 0x41, .bytes7to15 = {'V', 'o', 'r', 'n', 'e', 'R', 'i', 'p', '!'}, .seed = 12};
    Bytes crawlerImage = MakeNes(crawler);
    WriteFile(out + "/nes/Cavern Crawler (E).nes", crawlerImage);

    NesRecipe tactics{.prgBanks = 2, .chrBanks = 1, .flags6 = 0x04, .seed = 13};
    Bytes tacticsImage = MakeNes(tactics);
    WriteFile(out + "/nes/Tile Tactics (J) [t].nes", tacticsImage);

    // NES 2.0: mapper 300 = 0x12C (low nibble in byte 6, next in byte 7, bits 8-11 in byte 8).
    NesRecipe rally{.prgBanks = 2, .chrBanks = 1, .flags6 = 0xC1, .bytes7to15 = {0x28, 0x01, 0, 0, 0, 0, 0, 0, 0}, .seed = 14};
    WriteFile(out + "/nes/Rocket Rally (U).nes", MakeNes(rally));

    NesRecipe baron{.prgBanks = 1, .chrBanks = 1, .flags6 = 0x01, .seed = 15, .trailer = "Brick Baron Deluxe!!"};
    Bytes baronImage = MakeNes(baron);
    WriteFile(out + "/nes/Brick Baron (U).nes", baronImage);
    NesRecipe baronPlain = baron;
    baronPlain.trailer.clear();
    WriteFile(out + "/nes/more/Brick Baron (U) [b1].nes", MakeNes(baronPlain));
    WriteFile(out + "/nes/more/broken.nes", Bytes{'N', 'E', 'S', 0x1A, 1, 1});

    NesRecipe miner{.prgBanks = 4, .chrBanks = 2, .flags6 = 0x00, .seed = 16};
    Bytes minerImage = MakeNes(miner);
    ZipWriter pack;
    pack.Add({.name = "Moon Miner (U).nes", .data = minerImage, .deflate = true});
    std::string readme = "These images are synthetic samples made by vorne-samples.\n";
    pack.Add({.name = "readme.txt", .data = Bytes(readme.begin(), readme.end())});
    pack.AddFolder("sub");
    pack.Add({.name = "sub/Pixel Pilot (U).nes", .data = pilotImage, .deflate = true, .dataDescriptor = true});
    WriteFile(out + "/nes/pack.zip", pack.Finish("Sample pack"));

    knownList += "; Known-good NES dumps (samples)\r\n";
    knownList += CrcText(pilotImage, 16) + "\tPixel Pilot (U)\r\n";
    knownList += CrcText(crawlerImage, 16) + "\t\tCavern Crawler (E)\r\n";
    knownList += CrcText(tacticsImage, 16) + "\tTile Tactics (J) [t1]\r\n";
    knownList += CrcText(baronImage, 16, baron.trailer.size()) + "\tBrick Baron (U)\n";
    knownList += CrcText(minerImage, 16) + "\tMoon Miner (U)\r\n";
}

void WriteGameboy(const std::string& out) {
    GameboyRecipe blob{.title = "BLOB BOUNCE", .cartridgeType = 1, .romSizeCode = 1, .seed = 21};
    Bytes blobImage = MakeGameboy(blob);
    WriteFile(out + "/gameboy/Blob Bounce.gb", blobImage);
    WriteFile(out + "/gameboy/Blob Bounce (copy).gb", blobImage);
    GameboyRecipe gnome{.title = "GARDEN GNOME", .cartridgeType = 0x13, .romSizeCode = 2, .ramSizeCode = 3,
                      .destination = 0, .oldLicensee = 0x33, .newLicensee = "01", .seed = 22};
    WriteFile(out + "/gameboy/Garden Gnome.gb", MakeGameboy(gnome));
    gnome.copierHeader = true;
    WriteFile(out + "/gameboy/Garden Gnome (copier).gb", MakeGameboy(gnome));
    ZipWriter handheld;
    handheld.Add({.name = "sub/Quiz Quest.gb", .data = MakeGameboy({.title = "QUIZ QUEST", .cartridgeType = 0, .seed = 23}), .deflate = true});
    WriteFile(out + "/gameboy/handheld.zip", handheld.Finish());
}

void WriteSnes(const std::string& out) {
    SnesRecipe serpent{.title = "SKY SERPENT", .seed = 31};
    WriteFile(out + "/snes/Sky Serpent (U).sfc", MakeSnes(serpent));
    serpent.copierHeader = true;
    WriteFile(out + "/snes/Sky Serpent (U).smc", MakeSnes(serpent));
    WriteFile(out + "/snes/Harbor Heist (J).sfc",
              MakeSnes({.hiRom = true, .size = 1024 * 1024, .title = "HARBOR HEIST", .mapMode = 0x31,
                        .cartridgeType = 0, .romSizeCode = 10, .sramSizeCode = 0, .destination = 0, .licensee = 0xC3, .seed = 32}));
    // A split set: only the first part is listed. PART1.078 ends in a digit and is listed too.
    Bytes quest = MakeSnes({.size = 768 * 1024, .title = "QUEST OF PARTS", .romSizeCode = 10, .copierHeader = true, .seed = 33});
    const std::size_t part = 256 * 1024;
    WriteFile(out + "/snes/QUESTA.078", Bytes(quest.begin(), quest.begin() + part + 512));
    WriteFile(out + "/snes/QUESTB.078", Bytes(quest.begin() + part + 512, quest.begin() + 2 * part + 512));
    WriteFile(out + "/snes/QUESTC.078", Bytes(quest.begin() + 2 * part + 512, quest.end()));
    WriteFile(out + "/snes/PART1.078", MakeSnes({.size = 256 * 1024, .title = "LONE PART", .romSizeCode = 8, .seed = 34}));
}

void WriteGenesis(const std::string& out) {
    Bytes toad = MakeGenesis({.nativeTitle = "TURBO TOAD", .internationalTitle = "TURBO TOAD",
                              .productCode = "00001234-0", .ioSupport = "J6", .countries = "JUE", .seed = 41});
    WriteFile(out + "/genesis/Turbo Toad (U).bin", toad);
    WriteFile(out + "/genesis/Turbo Toad (U).smd", Interleave(toad, 8192, true));
    WriteFile(out + "/genesis/Desert Drift (E).bin",
              MakeGenesis({.size = 512 * 1024, .nativeTitle = "SABAKU DRIFT", .internationalTitle = "DESERT DRIFT",
                           .productCode = "00005678-1", .countries = "E", .seed = 42}));
    Bytes smash = MakeGenesis({.is32X = true, .size = 1024 * 1024, .nativeTitle = "STAR SMASH",
                               .internationalTitle = "STAR SMASH", .productCode = "00009012-0", .seed = 43});
    WriteFile(out + "/32x/Star Smash (W).32x", smash);
    WriteFile(out + "/32x/Star Smash (W) [i].32x", Interleave(smash, 512 * 1024, false));
}

void WriteN64(const std::string& out) {
    N64Recipe orbit{.title = "ORBIT RACER", .cartId = "OR", .seed = 51};
    WriteFile(out + "/n64/Orbit Racer (U).rom", MakeN64(orbit));
    orbit.byteSwapped = true;
    WriteFile(out + "/n64/Orbit Racer (U).v64", MakeN64(orbit));
    WriteFile(out + "/n64/Jungle Jam (E).v64",
              MakeN64({.title = "JUNGLE JAM", .manufacturer = 'N', .cartId = "JJ", .country = 'P', .byteSwapped = true, .seed = 52}));
}

void WriteMp3(const std::string& out) {
    WriteFile(out + "/mp3/Sunny Loop.mp3", MakeMp3({.title = "Sunny Loop", .artist = "The Made-Up Band", .album = "Samples",
                                                    .year = "2026", .comment = "synthetic", .genre = 17, .seed = 61}));
    WriteFile(out + "/mp3/Night Drive.mp3", MakeMp3({.title = "Night Drive", .artist = "The Made-Up Band", .album = "Samples",
                                                     .year = "2025", .genre = 8, .seed = 62}));
    WriteFile(out + "/mp3/untitled.mp3", MakeMp3({.tagged = false, .seed = 63}));
    WriteFile(out + "/mp3/Old Demo.mp2", MakeMp3({.layer2 = true, .title = "Old Demo", .artist = "Nobody", .year = "98", .seed = 64}));
    ZipWriter tunes;
    tunes.Add({.name = "Rain Song.mp3", .data = MakeMp3({.title = "Rain Song", .artist = "The Made-Up Band", .year = "2024", .seed = 65})});
    WriteFile(out + "/mp3/tunes.zip", tunes.Finish());
}

// Archives of several makes for the Zip kind's listing (and as seeds for the zip fuzz target):
// stored and deflated members, folders, data descriptors with and without their signature,
// comments on the archive and on entries, extra fields, and a member of a method we do not read.
void WriteZip(const std::string& out) {
    std::string notes;
    for (int i = 0; i < 40; ++i) notes += "Note " + std::to_string(i) + ": every byte here is made up.\n";
    const Bytes notesBytes(notes.begin(), notes.end());

    ZipWriter mixed;
    mixed.Add({.name = "Moon Miner (U).nes", .data = MakeNes({.prgBanks = 1, .chrBanks = 1, .seed = 71}), .deflate = true});
    mixed.Add({.name = "notes.txt", .data = notesBytes, .comment = "read me first"});
    mixed.AddFolder("saves");
    mixed.Add({.name = "saves/slot1.sav", .data = Bytes(2048, 0)});
    mixed.Add({.name = "saves/empty.sav", .data = {}});
    WriteFile(out + "/zip/mixed.zip", mixed.Finish("Mixed sample archive"));

    ZipWriter streamed;
    streamed.Add({.name = "Blob Bounce.gb", .data = MakeGameboy({.title = "BLOB BOUNCE", .seed = 72}), .deflate = true,
                  .dataDescriptor = true});
    streamed.Add({.name = "notes.txt", .data = notesBytes, .deflate = true, .dataDescriptor = true, .descriptorSignature = false});
    streamed.Add({.name = "raw.bin", .data = Bytes(300, 0x5A), .dataDescriptor = true});
    WriteFile(out + "/zip/streamed.zip", streamed.Finish());

    ZipWriter odd;
    odd.Add({.name = "extra.txt", .data = notesBytes, .deflate = true,
             .local = {.extra = Bytes{0x55, 0x54, 0x05, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}}});
    odd.Add({.name = "Pixel Pilot (U).nes", .data = MakeNes({.prgBanks = 2, .chrBanks = 1, .seed = 73}), .methodOverride = 12});
    odd.Add({.name = "deep/er/than/most/Sunny Loop.mp3", .data = MakeMp3({.frames = 8, .title = "Sunny Loop", .seed = 74})});
    WriteFile(out + "/zip/odd.zip", odd.Finish());
}


// One game of a sample DAT: the file it describes (empty: a game the collection lacks) and the
// names the DAT gives it.
struct SampleGame {
    std::string file;  // under OUTDIR
    std::string name;
    std::string romName;
};

struct DatRomValues {
    std::string size;
    std::string crc;
    std::string md5;
    std::string sha1;
};

// The hashes a scan compares: of the file's data as the kind's reader finds it.
DatRomValues ValuesOf(vorne::RomType type, const std::string& out, const SampleGame& game) {
    if (game.file.empty()) {
        // A game nobody has: hashes no sample file has either.
        return {"131072", "0badc0de", "00112233445566778899aabbccddeeff", "00112233445566778899aabbccddeeff00112233"};
    }
    const vorne::FileHashes hashes = vorne::HashRomFile(type, out + "/" + game.file, {.md5 = true});
    return {std::to_string(hashes.data.size), vorne::CrcText(hashes.data.crc), vorne::HexText(*hashes.data.md5),
            vorne::HexText(*hashes.data.sha1)};
}

std::string XmlText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '"') escaped += "&quot;";
        else escaped += c;
    }
    return escaped;
}

std::string LogiqxDat(vorne::RomType type, const std::string& out, const std::string& system, const std::vector<SampleGame>& games) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<datafile>\n\t<header>\n\t\t<name>" + XmlText(system) +
                       "</name>\n\t\t<description>" + XmlText(system) + " (vorne samples)</description>\n"
                       "\t\t<version>20260101</version>\n\t\t<author>vorne-samples</author>\n\t</header>\n";
    for (const SampleGame& game : games) {
        const DatRomValues rom = ValuesOf(type, out, game);
        text += "\t<game name=\"" + XmlText(game.name) + "\">\n\t\t<description>" + XmlText(game.name) +
                "</description>\n\t\t<rom name=\"" + XmlText(game.romName) + "\" size=\"" + rom.size + "\" crc=\"" + rom.crc +
                "\" md5=\"" + rom.md5 + "\" sha1=\"" + rom.sha1 + "\"/>\n\t</game>\n";
    }
    return text + "</datafile>\n";
}

std::string ClrMameProDat(vorne::RomType type, const std::string& out, const std::string& system, const std::vector<SampleGame>& games) {
    std::string text = "clrmamepro (\n\tname \"" + system + "\"\n\tdescription \"" + system +
                       " (vorne samples)\"\n\tversion 20260101\n\tauthor \"vorne-samples\"\n)\n";
    for (const SampleGame& game : games) {
        const DatRomValues rom = ValuesOf(type, out, game);
        text += "\ngame (\n\tname \"" + game.name + "\"\n\tdescription \"" + game.name + "\"\n\trom ( name \"" + game.romName +
                "\" size " + rom.size + " crc " + rom.crc + " md5 " + rom.md5 + " sha1 " + rom.sha1 + " )\n)\n";
    }
    return text;
}

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A DAT of each cartridge kind in dat/: Logiqx for most, ClrMamePro text for the SNES, a zipped
// Logiqx DAT for the Genesis, as No-Intro ships them. Each names some sample files (not always by
// their file names, so that vorne-cli rename has work) and lists one game the collection lacks.
void WriteDats(const std::string& out) {
    using vorne::RomType;
    const std::string dats = out + "/dat/";
    WriteFile(dats + "Nintendo - Game Boy (samples).dat",
              Of(LogiqxDat(RomType::Gameboy, out, "Nintendo - Game Boy",
                           {{"gameboy/Blob Bounce.gb", "Blob Bounce (World)", "Blob Bounce (World).gb"},
                            {"gameboy/Garden Gnome.gb", "Garden Gnome (Japan)", "Garden Gnome (Japan).gb"},
                            {"", "Pocket Pond (USA)", "Pocket Pond (USA).gb"}})));
    WriteFile(dats + "Nintendo - NES (samples).dat",
              Of(LogiqxDat(RomType::Nes, out, "Nintendo - Nintendo Entertainment System",
                           {{"nes/Pixel Pilot (U).nes", "Pixel Pilot (USA)", "Pixel Pilot (USA).nes"},
                            {"nes/Cavern Crawler (E).nes", "Cavern Crawler (Europe)", "Cavern Crawler (Europe).nes"},
                            {"nes/Rocket Rally (U).nes", "Rocket Rally (USA) & Friends", "Rocket Rally (USA) & Friends.nes"},
                            {"", "Lunar Lantern (Japan)", "Lunar Lantern (Japan).nes"}})));
    WriteFile(dats + "Nintendo - SNES (samples).dat",
              Of(ClrMameProDat(RomType::Snes, out, "Nintendo - Super Nintendo Entertainment System",
                               {{"snes/Sky Serpent (U).sfc", "Sky Serpent (USA)", "Sky Serpent (USA).sfc"},
                                {"snes/Harbor Heist (J).sfc", "Harbor Heist (Japan)", "Harbor Heist (Japan).sfc"},
                                {"", "Glacier Golf (Europe)", "Glacier Golf (Europe).sfc"}})));
    WriteFile(dats + "Nintendo - N64 (samples).dat",
              Of(LogiqxDat(RomType::N64, out, "Nintendo - Nintendo 64",
                           {{"n64/Orbit Racer (U).rom", "Orbit Racer (USA)", "Orbit Racer (USA).z64"},
                            {"n64/Jungle Jam (E).v64", "Jungle Jam (Europe)", "Jungle Jam (Europe).z64"},
                            {"", "Canyon Kart (Japan)", "Canyon Kart (Japan).z64"}})));
    ZipWriter genesis;
    genesis.Add({.name = "Sega - Mega Drive - Genesis (samples).dat",
                 .data = Of(LogiqxDat(RomType::Genesis, out, "Sega - Mega Drive - Genesis",
                                      {{"genesis/Turbo Toad (U).bin", "Turbo Toad (USA, Europe)", "Turbo Toad (USA, Europe).md"},
                                       {"genesis/Desert Drift (E).bin", "Desert Drift (Europe)", "Desert Drift (Europe).md"},
                                       {"", "Volcano Valley (Japan)", "Volcano Valley (Japan).md"}})),
                 .deflate = true});
    WriteFile(dats + "Sega - Mega Drive - Genesis (samples).zip", genesis.Finish());
    WriteFile(dats + "Sega - 32X (samples).dat",
              Of(LogiqxDat(RomType::Genesis32X, out, "Sega - 32X",
                           {{"32x/Star Smash (W).32x", "Star Smash (World)", "Star Smash (World).32x"},
                            {"", "Comet Cup (USA)", "Comet Cup (USA).32x"}})));
}

}  // namespace

int main(int argc, char** argv) {
    const char* usage = "Usage: vorne-samples OUTDIR\nWrites a synthetic sample collection of every kind into OUTDIR.\n";
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    // An option is never a folder to write into.
    if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        std::string out = argv[1];
        std::string knownList;
        WriteNes(out, knownList);
        WriteFile(out + "/nescrcs.txt", Bytes(knownList.begin(), knownList.end()));
        WriteGameboy(out);
        WriteSnes(out);
        WriteGenesis(out);
        WriteN64(out);
        WriteMp3(out);
        WriteZip(out);
        WriteDats(out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorne-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
