#include "report/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace nevalorum {
namespace {

void Put(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

// The headers of a bitmap file as another program writes them.
struct Header {
    std::uint32_t infoSize = 40;
    std::int32_t width = 3;
    std::int32_t height = 2;
    std::uint32_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t pixelOffset = 54;
    bool masks = false;  // the usual red, green, blue masks after the 40 bytes
};

std::string Headers(const Header& h) {
    std::string bytes = "BM";
    Put(bytes, 0, 4);  // file size: readers do not trust it, nor does this one
    Put(bytes, 0, 4);
    Put(bytes, h.pixelOffset, 4);
    Put(bytes, h.infoSize, 4);
    Put(bytes, static_cast<std::uint32_t>(h.width), 4);
    Put(bytes, static_cast<std::uint32_t>(h.height), 4);
    Put(bytes, 1, 2);
    Put(bytes, h.bitsPerPixel, 2);
    Put(bytes, h.compression, 4);
    bytes.resize(14 + 40, '\0');
    if (h.masks) {
        Put(bytes, 0x00FF0000, 4);
        Put(bytes, 0x0000FF00, 4);
        Put(bytes, 0x000000FF, 4);
    }
    bytes.resize(std::max<std::size_t>(bytes.size(), 14 + h.infoSize), '\0');
    return bytes;
}

// A 3 x 2 picture with a colour of its own in every pixel.
Rgb Colour(int x, int y) {
    return {.Red = static_cast<std::uint8_t>(10 + x),
            .Green = static_cast<std::uint8_t>(100 + y),
            .Blue = static_cast<std::uint8_t>(200 + x + 10 * y)};
}

// The pixels of that picture as a file stores them, bottom-up or top-down.
std::string Pixels(int bitsPerPixel, bool bottomUp) {
    std::string bytes;
    for (int row = 0; row < 2; ++row) {
        const int y = bottomUp ? 1 - row : row;
        std::size_t rowBytes = 0;
        for (int x = 0; x < 3; ++x) {
            const Rgb c = Colour(x, y);
            bytes +=
                {static_cast<char>(c.Blue), static_cast<char>(c.Green), static_cast<char>(c.Red)};
            rowBytes += 3;
            if (bitsPerPixel == 32) {
                bytes += '\x7F';  // alpha, ignored
                ++rowBytes;
            }
        }
        for (; rowBytes % 4 != 0; ++rowBytes) {
            bytes += '\0';
        }
    }
    return bytes;
}

TEST(DecodeBmp, ReadsTheLayoutsOtherProgramsWrite) {
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"24-bit bottom-up", Headers({}) + Pixels(24, true)},
        {"24-bit top-down", Headers({.height = -2}) + Pixels(24, false)},
        {"32-bit", Headers({.bitsPerPixel = 32}) + Pixels(32, true)},
        {"32-bit with masks",
         Headers({.bitsPerPixel = 32, .compression = 3, .pixelOffset = 66, .masks = true}) +
             Pixels(32, true)},
        {"32-bit version 5 header", Headers({.infoSize = 124,
                                             .bitsPerPixel = 32,
                                             .compression = 3,
                                             .pixelOffset = 138,
                                             .masks = true}) +
                                        Pixels(32, true)},
        {"pixels further on, bytes after them",
         Headers({.pixelOffset = 60}) + "gap..." + Pixels(24, true) + "trailing"},
    };
    for (const Case& c : cases) {
        const Picture picture = DecodeBmp(c.file);
        ASSERT_EQ(picture.Width(), 3) << c.name;
        ASSERT_EQ(picture.Height(), 2) << c.name;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(picture.Pixel(x, y), Colour(x, y)) << c.name << " " << x << "," << y;
            }
        }
    }
}

// What the program writes it reads back unchanged, for widths with and
// without row padding.
TEST(Picture, IsA24BitBottomUpFile) {
    for (const int width : {1, 2, 3, 4, 5, 626}) {
        Picture picture(width, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                picture.SetPixel(x, y,
                                 {.Red = static_cast<std::uint8_t>(x),
                                  .Green = static_cast<std::uint8_t>(y),
                                  .Blue = static_cast<std::uint8_t>(x * 7 + y)});
            }
        }
        const std::string& file = picture.FileBytes();
        const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        ASSERT_EQ(file.size(), 54 + 3 * stride) << width;
        EXPECT_EQ(file.substr(0, 2), "BM");
        struct Field {
            std::size_t offset;
            int size;
            std::uint32_t expected;
        };
        const Field fields[] = {
            {2, 4, static_cast<std::uint32_t>(file.size())},
            {10, 4, 54},  // pixels right after the headers
            {14, 4, 40},
            {18, 4, static_cast<std::uint32_t>(width)},
            {22, 4, 3},  // positive: bottom-up
            {26, 2, 1},
            {28, 2, 24},
            {30, 4, 0},  // uncompressed
            {34, 4, static_cast<std::uint32_t>(3 * stride)},
            {38, 4, 3780},  // 96 dots per inch
            {42, 4, 3780},
            {46, 4, 0},
            {50, 4, 0},
        };
        for (const Field& f : fields) {
            std::uint32_t value = 0;
            for (int i = f.size - 1; i >= 0; --i) {
                value = value << 8 | static_cast<unsigned char>(file[f.offset + i]);
            }
            EXPECT_EQ(value, f.expected) << width << " at " << f.offset;
        }
        // The first pixels are the bottom row's, blue first: (0, 2) is red 0,
        // green 2, blue 2, and (1, 2) red 1.
        EXPECT_EQ(file.substr(54, 3), std::string({2, 2, 0})) << width;
        if (width > 1) {
            EXPECT_EQ(file[57 + 2], 1) << width;
        }
        const Picture back = DecodeBmp(file);
        EXPECT_EQ(back.FileBytes(), file) << width;
        EXPECT_EQ(back.BottomUpRows(), picture.BottomUpRows()) << width;
        EXPECT_EQ(back.Width(), width);
    }
}

// A new picture is its colour everywhere, whatever the padding of its rows.
TEST(Picture, FilledWithItsColour) {
    constexpr Rgb Colour{.Red = 1, .Green = 2, .Blue = 3};
    for (const int width : {1, 2, 3, 4, 5}) {
        const Picture picture(width, 3, Colour);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(picture.Pixel(x, y), Colour) << width << ": " << x << "," << y;
            }
        }
        EXPECT_EQ(picture.BottomUpRows().size(), 3 * Picture::RowStrideFor(width));
    }
}

TEST(DecodeBmp, RefusesWhatItCannotRead) {
    struct Case {
        const char* name;
        std::string file;
        std::string message;
    };
    const std::string pixels = Pixels(24, true);
    const Case cases[] = {
        {"empty", "", "not a bitmap file"},
        {"another format", "\x89PNG\r\n\x1A\n", "not a bitmap file"},
        {"headers cut short", Headers({}).substr(0, 30),
         "cut short: 30 bytes, fewer than the headers need"},
        {"pixels cut short", Headers({}) + pixels.substr(0, 20),
         "cut short: 3 x 2 pixels need 24 bytes from offset 54, the file has 74 bytes"},
        {"pixels beyond the end", Headers({.pixelOffset = 4000}) + pixels,
         "cut short: 3 x 2 pixels need 24 bytes from offset 4000, the file has 78 bytes"},
        {"huge claimed size", Headers({.width = 30000, .height = 30000}) + pixels,
         "cut short: 30000 x 30000 pixels need 2700000000 bytes from offset 54, the file has "
         "78 bytes"},
        {"too wide", Headers({.width = 40000}) + pixels, "a size of 40000 x 2 pixels"},
        {"no width", Headers({.width = 0}) + pixels, "a size of 0 x 2 pixels"},
        {"no height", Headers({.height = 0}) + pixels, "a size of 3 x 0 pixels"},
        {"OS/2 header", Headers({.infoSize = 12}) + pixels,
         "an information header of 12 bytes with 1 planes, not a Windows bitmap of 40 bytes or "
         "more"},
        {"palette", Headers({.bitsPerPixel = 8}) + pixels,
         "8 bits per pixel, compression 0; only uncompressed 24- and 32-bit bitmaps are read"},
        {"16-bit", Headers({.bitsPerPixel = 16}) + pixels,
         "16 bits per pixel, compression 0; only uncompressed 24- and 32-bit bitmaps are read"},
        {"run-length", Headers({.compression = 1}) + pixels,
         "24 bits per pixel, compression 1; only uncompressed 24- and 32-bit bitmaps are read"},
        {"other masks", Headers({.bitsPerPixel = 32, .compression = 3}) + pixels + pixels,
         "32 bits per pixel, compression 3; only uncompressed 24- and 32-bit bitmaps are read"},
    };
    for (const Case& c : cases) {
        try {
            DecodeBmp(c.file);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const BitmapFormatError& error) {
            EXPECT_EQ(error.what(), c.message) << c.name;
        }
    }
}

}  // namespace
}  // namespace nevalorum
