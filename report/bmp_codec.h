#pragma once
// Windows bitmap files, as far as the chart needs them: uncompressed 24- and
// 32-bit pictures are read; a Picture is kept as a 24-bit file, so writing one
// is writing its FileBytes().

#include <string>
#include <string_view>

#include "common/errors.h"
#include "report/picture.h"

namespace nevalorum {

// A file that is not a bitmap the program reads; the message says what is
// wrong with it ("cut short: ...") but not which file it is.
class BitmapFormatError : public InputOutputError {
  public:
    using InputOutputError::InputOutputError;
};

// Decodes a bitmap file with an information header of 40 bytes or a later,
// longer one; 24 or 32 bits per pixel, uncompressed (32-bit also with the
// usual red, green and blue masks); rows bottom-up or top-down. The alpha of a
// 32-bit picture is ignored. Throws BitmapFormatError for anything else, for
// a file cut short and for a size beyond 32768 pixels on a side.
Picture DecodeBmp(std::string_view bytes);

}  // namespace nevalorum
