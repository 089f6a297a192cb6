#include "images.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vorne::samples {

namespace {

void PutText(Bytes& image, std::size_t at, const std::string& text, std::size_t width, std::uint8_t fill) {
    for (std::size_t i = 0; i < width; ++i) image[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : fill;
}

}  // namespace

Bytes Filler(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t x = seed * 2654435761u + 0x9E3779B9u;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        // Runs and repeats now and then, as real images have.
        bytes[i] = (i % 4096) < 512 ? static_cast<std::uint8_t>(i / 64) : static_cast<std::uint8_t>(x);
    }
    return bytes;
}

Bytes MakeNes(const NesRecipe& recipe) {
    bool trainer = (recipe.flags6 >> 2) & 1;
    std::size_t dataSize = static_cast<std::size_t>(recipe.prgBanks) * 16384 + static_cast<std::size_t>(recipe.chrBanks) * 8192;
    Bytes image(16, 0);
    image[0] = 'N';
    image[1] = 'E';
    image[2] = 'S';
    image[3] = 0x1A;
    image[4] = static_cast<std::uint8_t>(recipe.prgBanks);
    image[5] = static_cast<std::uint8_t>(recipe.chrBanks);
    image[6] = recipe.flags6;
    std::copy(recipe.bytes7to15.begin(), recipe.bytes7to15.end(), image.begin() + 7);
    Bytes data = Filler(dataSize + (trainer ? 512 : 0), recipe.seed);
    image.insert(image.end(), data.begin(), data.end());
    image.insert(image.end(), recipe.trailer.begin(), recipe.trailer.end());
    return image;
}

Bytes MakeGameboy(const GameboyRecipe& recipe) {
    Bytes image = Filler(std::size_t{32768} << std::min<int>(recipe.romSizeCode, 6), recipe.seed);
    std::fill(image.begin() + 0x100, image.begin() + 0x150, std::uint8_t{0});
    image[0x100] = 0x00;  // nop; jp 0x150
    image[0x101] = 0xC3;
    image[0x102] = 0x50;
    image[0x103] = 0x01;
    PutText(image, 0x134, recipe.title, 16, 0);
    PutText(image, 0x144, recipe.newLicensee, 2, '0');
    image[0x147] = recipe.cartridgeType;
    image[0x148] = recipe.romSizeCode;
    image[0x149] = recipe.ramSizeCode;
    image[0x14A] = recipe.destination;
    image[0x14B] = recipe.oldLicensee;
    std::uint8_t headerSum = 0;
    for (int i = 0x134; i <= 0x14C; ++i) headerSum = static_cast<std::uint8_t>(headerSum - image[i] - 1);
    image[0x14D] = headerSum;
    std::uint16_t global = 0;
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (i != 0x14E && i != 0x14F) global = static_cast<std::uint16_t>(global + image[i]);
    }
    image[0x14E] = static_cast<std::uint8_t>(global >> 8);
    image[0x14F] = static_cast<std::uint8_t>(global);
    if (recipe.copierHeader) image.insert(image.begin(), 512, 0);
    return image;
}

Bytes MakeSnes(const SnesRecipe& recipe) {
    Bytes image = Filler(recipe.size, recipe.seed);
    const std::size_t block = recipe.hiRom ? 0xFFB0 : 0x7FB0;
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(block), image.begin() + static_cast<std::ptrdiff_t>(block + 0x50), 0);
    PutText(image, block + 0x00, "01SMPE", 6, ' ');  // maker and game code of the extended header
    PutText(image, block + 0x10, recipe.title, 21, ' ');
    image[block + 0x25] = recipe.mapMode;
    image[block + 0x26] = recipe.cartridgeType;
    image[block + 0x27] = recipe.romSizeCode;
    image[block + 0x28] = recipe.sramSizeCode;
    image[block + 0x29] = recipe.destination;
    image[block + 0x2A] = recipe.licensee;
    std::uint16_t sum = 0;
    for (std::uint8_t b : image) sum = static_cast<std::uint16_t>(sum + b);
    std::uint16_t complement = static_cast<std::uint16_t>(~sum);
    image[block + 0x2C] = static_cast<std::uint8_t>(complement);
    image[block + 0x2D] = static_cast<std::uint8_t>(complement >> 8);
    image[block + 0x2E] = static_cast<std::uint8_t>(sum);
    image[block + 0x2F] = static_cast<std::uint8_t>(sum >> 8);
    image[block + 0x4C] = 0x00;  // reset vector 0x8000
    image[block + 0x4D] = 0x80;
    // The other place holds program code: a reset-vector byte below 0x80 there.
    const std::size_t other = recipe.hiRom ? 0x7FB0 : 0xFFB0;
    if (other + 0x4D < image.size()) image[other + 0x4D] = 0x12;
    if (recipe.copierHeader) image.insert(image.begin(), 512, 0);
    return image;
}

Bytes MakeGenesis(const GenesisRecipe& recipe) {
    Bytes image = Filler(recipe.size, recipe.seed);
    PutText(image, 0x100, recipe.is32X ? "SEGA 32X" : "SEGA MEGA DRIVE", 16, ' ');
    PutText(image, 0x110, "(C)VRNE 2026.DEC", 16, ' ');
    PutText(image, 0x120, recipe.nativeTitle, 48, ' ');
    PutText(image, 0x150, recipe.internationalTitle, 48, ' ');
    PutText(image, 0x180, recipe.typeCode, 2, ' ');
    PutText(image, 0x182, recipe.productCode, 10, ' ');
    PutText(image, 0x18C, "00", 2, ' ');
    PutText(image, 0x190, recipe.ioSupport, 16, ' ');
    PutText(image, 0x1A0, "", 0x50, ' ');
    PutText(image, 0x1F0, recipe.countries, 16, ' ');
    image[0x82] = 0x4E;  // program code, not the character 3
    std::uint16_t sum = 0;
    for (std::size_t i = 0x200; i + 1 < image.size(); i += 2) sum = static_cast<std::uint16_t>(sum + ((image[i] << 8) | image[i + 1]));
    image[0x18E] = static_cast<std::uint8_t>(sum >> 8);
    image[0x18F] = static_cast<std::uint8_t>(sum);
    return image;
}

Bytes Interleave(const Bytes& linear, std::size_t halfBlock, bool copierHeader) {
    Bytes out;
    if (copierHeader) {
        out.assign(512, 0);
        out[0] = static_cast<std::uint8_t>((linear.size() >> 14) & 0xFF);
        out[1] = 0x03;
        out[8] = 0xAA;
        out[9] = 0xBB;
        out[10] = 0x06;
    }
    for (std::size_t start = 0; start < linear.size(); start += 2 * halfBlock) {
        std::size_t n = std::min(2 * halfBlock, linear.size() - start) / 2;
        for (std::size_t k = 0; k < n; ++k) out.push_back(linear[start + 2 * k + 1]);
        for (std::size_t k = 0; k < n; ++k) out.push_back(linear[start + 2 * k]);
    }
    return out;
}

Bytes MakeN64(const N64Recipe& recipe) {
    Bytes image = Filler(recipe.size, recipe.seed);
    const std::uint8_t start[] = {0x80, 0x37, 0x12, 0x40, 0x00, 0x00, 0x00, 0x0F};
    std::copy(std::begin(start), std::end(start), image.begin());
    PutText(image, 0x20, recipe.title, 20, ' ');
    std::fill(image.begin() + 0x34, image.begin() + 0x3B, std::uint8_t{0});
    image[0x3B] = static_cast<std::uint8_t>(recipe.manufacturer);
    PutText(image, 0x3C, recipe.cartId, 2, ' ');
    image[0x3E] = static_cast<std::uint8_t>(recipe.country);
    image[0x3F] = 0;
    if (recipe.byteSwapped) {
        for (std::size_t i = 0; i + 1 < image.size(); i += 2) std::swap(image[i], image[i + 1]);
    }
    return image;
}

Bytes MakeMp3(const Mp3Recipe& recipe) {
    // MPEG-1 frames at 128 kbit/s and 44.1 kHz: 417 bytes each (layer III), 418 for layer II.
    const std::size_t frameSize = recipe.layer2 ? 418 : 417;
    Bytes audio;
    Bytes filler = Filler(frameSize * static_cast<std::size_t>(recipe.frames), recipe.seed);
    for (int f = 0; f < recipe.frames; ++f) {
        std::size_t at = audio.size();
        audio.insert(audio.end(), filler.begin() + static_cast<std::ptrdiff_t>(at),
                     filler.begin() + static_cast<std::ptrdiff_t>(at + frameSize));
        audio[at] = 0xFF;
        audio[at + 1] = recipe.layer2 ? 0xFD : 0xFB;
        audio[at + 2] = 0x90;
        audio[at + 3] = 0x64;
    }
    if (recipe.tagged) {
        Bytes tag(128, 0);
        PutText(tag, 0, "TAG", 3, 0);
        PutText(tag, 3, recipe.title, 30, 0);
        PutText(tag, 33, recipe.artist, 30, 0);
        PutText(tag, 63, recipe.album, 30, 0);
        PutText(tag, 93, recipe.year, 4, 0);
        PutText(tag, 97, recipe.comment, 30, 0);
        tag[127] = recipe.genre;
        audio.insert(audio.end(), tag.begin(), tag.end());
    }
    return audio;
}

Bytes Id3v2Frame(int major, const std::string& id, const std::string& body, bool plainSize) {
    Bytes frame(id.begin(), id.end());
    const std::size_t n = body.size();
    const int bits = major == 4 && !plainSize ? 7 : 8;
    for (int i = major == 2 ? 2 : 3; i >= 0; --i) {
        frame.push_back(static_cast<std::uint8_t>((n >> (bits * i)) & ((1u << bits) - 1)));
    }
    if (major > 2) frame.insert(frame.end(), {0, 0});  // the frame's flags
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes Id3v2Tag(int major, std::uint8_t flags, std::initializer_list<Bytes> frames, std::size_t padding) {
    Bytes tag{'I', 'D', '3', static_cast<std::uint8_t>(major), 0, flags, 0, 0, 0, 0};
    for (const Bytes& frame : frames) tag.insert(tag.end(), frame.begin(), frame.end());
    tag.resize(tag.size() + padding, 0);
    const std::size_t size = tag.size() - 10;
    for (std::size_t i = 0; i < 4; ++i) tag[6 + i] = static_cast<std::uint8_t>((size >> (7 * (3 - i))) & 0x7F);
    return tag;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace vorne::samples
