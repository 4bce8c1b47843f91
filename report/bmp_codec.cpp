#include "report/bmp_codec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace nevalorum {
namespace {

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::size_t HeadersSize = FileHeaderSize + InfoHeaderSize;
static_assert(HeadersSize == Picture::HeaderSize);
constexpr std::uint32_t Uncompressed = 0;  // BI_RGB
constexpr std::uint32_t ColourMasks = 3;   // BI_BITFIELDS
constexpr std::int32_t LargestSide = 32768;
constexpr std::int32_t PixelsPerMetre = 3780;  // 96 dots per inch

std::uint32_t Unsigned(std::string_view bytes, std::size_t offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value =
            value << 8 | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::int32_t Signed(std::string_view bytes, std::size_t offset) {
    return static_cast<std::int32_t>(Unsigned(bytes, offset, 4));
}

void PutUnsigned(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

}  // namespace

Picture DecodeBmp(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.substr(0, 2) != "BM") {
        throw BitmapFormatError("not a bitmap file");
    }
    if (bytes.size() < HeadersSize) {
        throw BitmapFormatError("cut short: " + std::to_string(bytes.size()) +
                                " bytes, fewer than the headers need");
    }
    const std::uint32_t pixelOffset = Unsigned(bytes, 10, 4);
    const std::uint32_t infoSize = Unsigned(bytes, 14, 4);
    const std::int32_t width = Signed(bytes, 18);
    const std::int32_t signedHeight = Signed(bytes, 22);
    const std::uint32_t planes = Unsigned(bytes, 26, 2);
    const std::uint32_t bitsPerPixel = Unsigned(bytes, 28, 2);
    const std::uint32_t compression = Unsigned(bytes, 30, 4);
    if (infoSize < InfoHeaderSize || planes != 1) {
        throw BitmapFormatError("an information header of " + std::to_string(infoSize) +
                                " bytes with " + std::to_string(planes) +
                                " planes, not a Windows bitmap of 40 bytes or more");
    }
    if (width <= 0 || signedHeight == 0 || signedHeight == INT32_MIN || width > LargestSide ||
        std::abs(signedHeight) > LargestSide) {
        throw BitmapFormatError("a size of " + std::to_string(width) + " x " +
                                std::to_string(signedHeight) + " pixels");
    }
    const bool bottomUp = signedHeight > 0;
    const int height = std::abs(signedHeight);

    bool supported = (bitsPerPixel == 24 && compression == Uncompressed) ||
                     (bitsPerPixel == 32 && compression == Uncompressed);
    if (bitsPerPixel == 32 && compression == ColourMasks) {
        // The masks follow a 40-byte header, or are its first fields past 40.
        if (bytes.size() < HeadersSize + 12) {
            throw BitmapFormatError("cut short in its colour masks");
        }
        supported = Unsigned(bytes, HeadersSize, 4) == 0x00FF0000 &&
                    Unsigned(bytes, HeadersSize + 4, 4) == 0x0000FF00 &&
                    Unsigned(bytes, HeadersSize + 8, 4) == 0x000000FF;
    }
    if (!supported) {
        throw BitmapFormatError(std::to_string(bitsPerPixel) + " bits per pixel, compression " +
                                std::to_string(compression) +
                                "; only uncompressed 24- and 32-bit bitmaps are read");
    }

    const std::size_t bytesPerPixel = bitsPerPixel / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(height);
    if (pixelOffset < HeadersSize || pixelOffset > bytes.size() ||
        bytes.size() - pixelOffset < pixelBytes) {
        throw BitmapFormatError("cut short: " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels need " +
                                std::to_string(pixelBytes) + " bytes from offset " +
                                std::to_string(pixelOffset) + ", the file has " +
                                std::to_string(bytes.size()) + " bytes");
    }

    const char* pixels = bytes.data() + pixelOffset;
    if (bytesPerPixel == 3 && bottomUp) {
        // Already the picture's own layout.
        return Picture::FromBottomUpRows(width, height, std::string_view(pixels, pixelBytes));
    }
    Picture picture(width, height);
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const char* from = pixels + static_cast<std::size_t>(fileRow) * stride;
        const int y = bottomUp ? height - 1 - fileRow : fileRow;
        for (int x = 0; x < width; ++x) {
            const char* pixel = from + static_cast<std::size_t>(x) * bytesPerPixel;
            picture.SetPixel(x, y,
                             {.Red = static_cast<std::uint8_t>(pixel[2]),
                              .Green = static_cast<std::uint8_t>(pixel[1]),
                              .Blue = static_cast<std::uint8_t>(pixel[0])});
        }
    }
    return picture;
}

Picture::Picture(int width, int height, Rgb fill) : width_(width), height_(height) {
    const std::size_t rowBytes = RowStride() * static_cast<std::size_t>(height);
    bytes_.reserve(HeadersSize + rowBytes);
    bytes_ += "BM";
    PutUnsigned(bytes_, static_cast<std::uint32_t>(HeadersSize + rowBytes), 4);
    PutUnsigned(bytes_, 0, 4);  // reserved
    PutUnsigned(bytes_, HeadersSize, 4);
    PutUnsigned(bytes_, InfoHeaderSize, 4);
    PutUnsigned(bytes_, static_cast<std::uint32_t>(width), 4);
    PutUnsigned(bytes_, static_cast<std::uint32_t>(height), 4);  // positive: bottom-up
    PutUnsigned(bytes_, 1, 2);                                   // planes
    PutUnsigned(bytes_, 24, 2);
    PutUnsigned(bytes_, Uncompressed, 4);
    PutUnsigned(bytes_, static_cast<std::uint32_t>(rowBytes), 4);
    PutUnsigned(bytes_, PixelsPerMetre, 4);
    PutUnsigned(bytes_, PixelsPerMetre, 4);
    PutUnsigned(bytes_, 0, 4);  // colours used
    PutUnsigned(bytes_, 0, 4);  // important colours
    bytes_.resize(HeadersSize + rowBytes, '\0');
    if (fill == Rgb{} || height == 0) {
        return;
    }
    for (int x = 0; x < width; ++x) {
        SetPixel(x, 0, fill);
    }
    // Every row as the top one, which lies last in the bytes.
    const char* top =
        bytes_.data() + HeadersSize + RowStride() * static_cast<std::size_t>(height - 1);
    for (int row = 0; row < height - 1; ++row) {
        std::memcpy(bytes_.data() + HeadersSize + RowStride() * static_cast<std::size_t>(row), top,
                    RowStride());
    }
}

Picture Picture::FromBottomUpRows(int width, int height, std::string_view rows) {
    Picture picture(width, height);
    rows.copy(picture.bytes_.data() + HeadersSize, picture.bytes_.size() - HeadersSize);
    return picture;
}

}  // namespace nevalorum
