#pragma once
// A picture in memory, kept as the bytes of a 24-bit Windows bitmap file: the
// file's headers, then the rows bottom to top, each pixel blue, green, red,
// each row padded to a multiple of 4 bytes. Writing the bitmap is writing these
// bytes, and the JPEG encoder takes the rows as they are. The constructors are
// defined with the bitmap codec (bmp_codec.cpp), which knows the headers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nevalorum {

struct Rgb {
    std::uint8_t Red = 0, Green = 0, Blue = 0;

    bool operator==(const Rgb&) const = default;
};

class Picture {
  public:
    // The size of the headers before the rows.
    static constexpr std::size_t HeaderSize = 54;

    Picture() : Picture(0, 0) {}
    // A picture of the size filled with the colour.
    Picture(int width, int height, Rgb fill = {});
    // A picture of the size whose rows are given bottom-up as a bitmap file
    // stores them; rows must have RowStrideFor(width) * height bytes.
    static Picture FromBottomUpRows(int width, int height, std::string_view rows);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Bytes from one row to the next: 3 per pixel, padded to a multiple of 4.
    std::size_t RowStride() const { return RowStrideFor(width_); }
    static std::size_t RowStrideFor(int width) {
        return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    }

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    // The pixel at (x, y), origin top left, y down; (x, y) must lie inside.
    Rgb Pixel(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return {.Red = p[2], .Green = p[1], .Blue = p[0]};
    }
    void SetPixel(int x, int y, Rgb colour) {
        std::uint8_t* p = At(x, y);
        p[0] = colour.Blue;
        p[1] = colour.Green;
        p[2] = colour.Red;
    }

    // Row y (origin top) as blue, green, red triples.
    const std::uint8_t* Row(int y) const { return At(0, y); }
    // The rows bottom to top, padded: a bitmap file's pixel array.
    std::string_view BottomUpRows() const { return std::string_view(bytes_).substr(HeaderSize); }
    // The picture as a 24-bit uncompressed bitmap file, 96 dots per inch.
    const std::string& FileBytes() const { return bytes_; }

  private:
    const std::uint8_t* At(int x, int y) const {
        return reinterpret_cast<const std::uint8_t*>(bytes_.data()) + HeaderSize +
               static_cast<std::size_t>(height_ - 1 - y) * RowStride() +
               static_cast<std::size_t>(x) * 3;
    }
    std::uint8_t* At(int x, int y) {
        return const_cast<std::uint8_t*>(static_cast<const Picture&>(*this).At(x, y));
    }

    int width_ = 0;
    int height_ = 0;
    std::string bytes_;  // the bitmap file
};

}  // namespace nevalorum
