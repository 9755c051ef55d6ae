#include "fileio.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

namespace {

class Bytes {
public:
    void u8(uint32_t v) { data.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v)
    {
        u8(v & 0xff);
        u8(v >> 8);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void tag(const char* t)
    {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<uint8_t>(t[i]));
    }
    std::vector<uint8_t> data;
};

void save(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> load(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t le(const std::vector<uint8_t>& d, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | (at + i < d.size() ? d[at + i] : 0);
    return v;
}

int stride(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

void infoHeader(Bytes& b, int width, int height, int bits, uint32_t imageBytes, int colours)
{
    b.u32(40);
    b.u32(static_cast<uint32_t>(width));
    b.u32(static_cast<uint32_t>(height));
    b.u16(1);
    b.u16(static_cast<uint32_t>(bits));
    b.u32(0);  // BI_RGB
    b.u32(imageBytes);
    b.u32(2835);  // 72 dpi
    b.u32(2835);
    b.u32(static_cast<uint32_t>(colours));
    b.u32(0);
}

void fileHeader(Bytes& b, uint32_t fileSize, uint32_t pixelOffset)
{
    b.u8('B');
    b.u8('M');
    b.u32(fileSize);
    b.u32(0);
    b.u32(pixelOffset);
}

void paletteEntry(Bytes& b, const Rgb8& c)
{
    b.u8(c.b);
    b.u8(c.g);
    b.u8(c.r);
    b.u8(0);
}

// Rows bottom-up, each packed at `bits` per pixel and padded to 4 bytes.
template <class Pixel>
void packRows(Bytes& b, int width, int height, int bits, Pixel pixel)
{
    const int rowBytes = stride(width, bits);
    for (int y = height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(rowBytes);
        for (int x = 0; x < width; ++x) {
            const int bit = x * bits;
            row[bit / 8] |= static_cast<uint8_t>(pixel(x, y) << (8 - bits - bit % 8));
        }
        b.data.insert(b.data.end(), row.begin(), row.end());
    }
}

void writeBitmap(const std::string& path, int width, int height, int bits, const std::vector<Rgb8>& colours,
                 const std::function<uint32_t(int, int)>& pixel)
{
    const uint32_t imageBytes = stride(width, bits) * height;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(colours.size());
    Bytes b;
    fileHeader(b, offset + imageBytes, offset);
    infoHeader(b, width, height, bits, imageBytes, static_cast<int>(colours.size()));
    for (const Rgb8& c : colours)
        paletteEntry(b, c);
    packRows(b, width, height, bits, pixel);
    save(path, b.data);
}

// An .ico (type 1) or .cur (type 2) file: the directory, then each image's 16-colour DIB with its
// AND mask. An icon's entry holds planes and bit count, a cursor's its hot spot.
void writeIconResource(const std::string& path, const std::vector<IconImage>& images, int type)
{
    Bytes b;
    b.u16(0);
    b.u16(static_cast<uint32_t>(type));
    b.u16(static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    auto bytesOf = [](const IconImage& img) {
        return 40 + 16 * 4 + stride(img.size, 4) * img.size + stride(img.size, 1) * img.size;
    };
    for (const IconImage& img : images) {
        b.u8(static_cast<uint32_t>(img.size));
        b.u8(static_cast<uint32_t>(img.size));
        b.u8(16);
        b.u8(0);
        b.u16(static_cast<uint32_t>(type == 1 ? 1 : img.hotX));
        b.u16(static_cast<uint32_t>(type == 1 ? 4 : img.hotY));
        b.u32(static_cast<uint32_t>(bytesOf(img)));
        b.u32(offset);
        offset += static_cast<uint32_t>(bytesOf(img));
    }
    for (const IconImage& img : images) {
        const int n = img.size;
        infoHeader(b, n, 2 * n, 4, stride(n, 4) * n + stride(n, 1) * n, 16);
        for (const Rgb8& c : img.palette)
            paletteEntry(b, c);
        packRows(b, n, n, 4, [&](int x, int y) { return img.transparent[y * n + x] ? 0u : img.pixels[y * n + x]; });
        packRows(b, n, n, 1, [&](int x, int y) { return static_cast<uint32_t>(img.transparent[y * n + x]); });
    }
    save(path, b.data);
}

}  // namespace

void writeBmp8(const std::string& path, const Indexed& image, const Palette& palette)
{
    writeBitmap(path, image.width, image.height, 8, std::vector<Rgb8>(palette.begin(), palette.end()),
                [&](int x, int y) { return static_cast<uint32_t>(image.at(x, y)); });
}

void writeBmp1(const std::string& path, const Mask& mask)
{
    writeBitmap(path, mask.width, mask.height, 1, {Rgb8{0, 0, 0}, Rgb8{255, 255, 255}},
                [&](int x, int y) { return mask.white[y * mask.width + x] ? 1u : 0u; });
}

void writeIcon(const std::string& path, const std::vector<IconImage>& images) { writeIconResource(path, images, 1); }

void writeCursor(const std::string& path, const std::vector<IconImage>& images) { writeIconResource(path, images, 2); }

void writeWav(const std::string& path, const std::vector<uint8_t>& samples, int sampleRate)
{
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size());
    const uint32_t pad = dataBytes & 1;  // RIFF chunks are word aligned
    Bytes b;
    b.tag("RIFF");
    b.u32(4 + (8 + 16) + (8 + dataBytes + pad));
    b.tag("WAVE");
    b.tag("fmt ");
    b.u32(16);
    b.u16(1);  // PCM
    b.u16(1);  // mono
    b.u32(static_cast<uint32_t>(sampleRate));
    b.u32(static_cast<uint32_t>(sampleRate));  // bytes per second at 8 bits mono
    b.u16(1);
    b.u16(8);
    b.tag("data");
    b.u32(dataBytes);
    b.data.insert(b.data.end(), samples.begin(), samples.end());
    if (pad)
        b.u8(0);
    save(path, b.data);
}

BmpFacts inspectBmp(const std::string& path)
{
    const std::vector<uint8_t> d = load(path);
    BmpFacts f;
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M')
        return f;
    f.width = static_cast<int>(le(d, 18, 4));
    f.height = static_cast<int>(le(d, 22, 4));
    f.bits = static_cast<int>(le(d, 28, 2));
    f.paletteEntries = static_cast<int>(le(d, 46, 4));
    const uint32_t offset = le(d, 10, 4);
    const uint32_t image = stride(f.width, f.bits) * static_cast<uint32_t>(f.height);
    f.consistent = le(d, 2, 4) == d.size() && le(d, 14, 4) == 40 && le(d, 30, 4) == 0 &&
                   offset == 54 + 4u * f.paletteEntries && offset + image == d.size() && le(d, 34, 4) == image;
    auto colour = [&](size_t at) {
        return Rgb8{d[at + 2], d[at + 1], d[at]};
    };
    if (f.paletteEntries >= 2) {
        f.firstColour = colour(54);
        f.secondColour = colour(58);
    }
    return f;
}

WavFacts inspectWav(const std::string& path)
{
    const std::vector<uint8_t> d = load(path);
    WavFacts f;
    if (d.size() < 44)
        return f;
    f.format = static_cast<int>(le(d, 20, 2));
    f.channels = static_cast<int>(le(d, 22, 2));
    f.rate = static_cast<int>(le(d, 24, 4));
    f.bits = static_cast<int>(le(d, 34, 2));
    f.dataBytes = le(d, 40, 4);
    const uint32_t padded = f.dataBytes + (f.dataBytes & 1);
    f.consistent = std::string(d.begin(), d.begin() + 4) == "RIFF" && std::string(d.begin() + 8, d.begin() + 16) == "WAVEfmt " &&
                   le(d, 16, 4) == 16 && std::string(d.begin() + 36, d.begin() + 40) == "data" &&
                   le(d, 4, 4) + 8 == d.size() && 44 + padded == d.size();
    return f;
}
