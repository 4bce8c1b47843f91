#pragma once
// The compression libraries of the archive, opened when an archive is first
// measured, read or written.

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include "common/loaded_library.h"

namespace nevalorum {

#define NEVALORUM_ZLIB_FUNCTIONS(X) \
    X(crc32)                        \
    X(deflateInit2_)                \
    X(deflate)                      \
    X(deflateEnd)                   \
    X(inflateInit2_)                \
    X(inflate)                      \
    X(inflateEnd)

#define NEVALORUM_MINIZIP_FUNCTIONS(X) \
    X(unzOpen2_64)                     \
    X(unzClose)                        \
    X(unzGetCurrentFileInfo64)         \
    X(unzOpenCurrentFile2)             \
    X(unzGetCurrentFileZStreamPos64)   \
    X(unzGetLocalExtrafield)           \
    X(unzGoToFirstFile)                \
    X(unzGoToNextFile)                 \
    X(unzCloseCurrentFile)             \
    X(zipOpen2_64)                     \
    X(zipOpenNewFileInZip4_64)         \
    X(zipWriteInFileInZip)             \
    X(zipCloseFileInZipRaw64)          \
    X(zipClose)

// A library that cannot be opened: the archive can be neither read nor written.
inline constexpr SharedMessage NoArchiveLibrary{
    .Id = MessageId("The archive cannot be read or written: %s"),
    .Russian = "Не удаётся прочитать или записать архив: %s"};

NEVALORUM_FUNCTION_TABLE(ZlibFunctions, NEVALORUM_ZLIB_FUNCTIONS, NEVALORUM_ZLIB_LIBRARY,
                         NoArchiveLibrary);
NEVALORUM_FUNCTION_TABLE(MinizipFunctions, NEVALORUM_MINIZIP_FUNCTIONS, NEVALORUM_MINIZIP_LIBRARY,
                         NoArchiveLibrary);

// The libraries' functions, each library opened at the first call.
inline const ZlibFunctions& Zlib() {
    return Opened<ZlibFunctions>();
}
inline const MinizipFunctions& Minizip() {
    return Opened<MinizipFunctions>();
}

}  // namespace nevalorum
