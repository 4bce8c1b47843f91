#pragma once
// A picture in memory, kept in the layout of a 24-bit Windows bitmap's pixel
// array: rows bottom to top, each pixel blue, green, red, each row padded to a
// multiple of 4 bytes. The bitmap file is then a header and these bytes, and
// the JPEG encoder takes the rows as they are.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace nevalorum {

struct Rgb {
    std::uint8_t Red = 0, Green = 0, Blue = 0;

    bool operator==(const Rgb&) const = default;
};

class Picture {
  public:
    Picture() = default;
    // A picture of the size filled with the colour.
    Picture(int width, int height, Rgb fill = {})
        : width_(width),
          height_(height),
          bytes_(RowStrideFor(width) * static_cast<std::size_t>(height), '\0') {
        if (fill == Rgb{} || height == 0) {
            return;
        }
        for (int x = 0; x < width; ++x) {
            SetPixel(x, 0, fill);
        }
        // Every row as the first one, which lies last in the bytes.
        const std::size_t stride = RowStride();
        const char* first = bytes_.data() + stride * static_cast<std::size_t>(height - 1);
        for (int row = 0; row < height - 1; ++row) {
            std::memcpy(bytes_.data() + stride * static_cast<std::size_t>(row), first, stride);
        }
    }

    // A picture of the size whose bottom-up rows are given, as a bitmap file
    // stores them; rows must have RowStrideFor(width) * height bytes.
    static Picture FromBottomUpRows(int width, int height, std::string rows) {
        Picture picture;
        picture.width_ = width;
        picture.height_ = height;
        picture.bytes_ = std::move(rows);
        return picture;
    }

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
    const std::string& BottomUpRows() const { return bytes_; }

  private:
    const std::uint8_t* At(int x, int y) const {
        return reinterpret_cast<const std::uint8_t*>(bytes_.data()) +
               static_cast<std::size_t>(height_ - 1 - y) * RowStride() +
               static_cast<std::size_t>(x) * 3;
    }
    std::uint8_t* At(int x, int y) {
        return const_cast<std::uint8_t*>(static_cast<const Picture&>(*this).At(x, y));
    }

    int width_ = 0;
    int height_ = 0;
    std::string bytes_;
};

}  // namespace nevalorum
