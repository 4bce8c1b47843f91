#pragma once
// minizip's file functions over a descriptor the program opened itself, so that
// the library never opens a file by name: a name swapped for a link between
// the program's open and the library's would send its reads or writes
// elsewhere. minizip reads and writes its headers a few bytes at a time; a
// buffer of the stream's own turns them into large reads and writes.

#include <minizip/ioapi.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nevalorum {

class DescriptorStream {
  public:
    // The stream does not own the descriptor: closing it through minizip
    // writes out what is buffered and leaves the descriptor open.
    explicit DescriptorStream(int descriptor);
    DescriptorStream(const DescriptorStream&) = delete;
    DescriptorStream& operator=(const DescriptorStream&) = delete;

    // The functions to hand to zipOpen2_64 or unzOpen2_64, whose file name
    // argument is then only a label: the open function returns this stream.
    zlib_filefunc64_def Functions();

    // The system's error number of the first failed read, write or seek; 0 when none failed.
    int Error() const { return error_; }

    // Writes out the buffered bytes; false (with Error set) when that fails.
    bool Flush();

    // Where the next read or write starts [bytes from the file's start].
    std::uint64_t Position() const { return position_; }

    // Reads or writes bytes at offset, outside minizip; false (with Error
    // set) when that fails. Writing leaves nothing buffered.
    bool ReadAt(std::uint64_t offset, std::string& bytes);
    bool WriteAt(std::uint64_t offset, std::string_view bytes);

  private:
    static voidpf OpenFunction(voidpf opaque, const void* name, int mode);
    static uLong ReadFunction(voidpf opaque, voidpf stream, void* buffer, uLong size);
    static uLong WriteFunction(voidpf opaque, voidpf stream, const void* buffer, uLong size);
    static ZPOS64_T TellFunction(voidpf opaque, voidpf stream);
    static long SeekFunction(voidpf opaque, voidpf stream, ZPOS64_T offset, int origin);
    static int CloseFunction(voidpf opaque, voidpf stream);
    static int ErrorFunction(voidpf opaque, voidpf stream);

    // Bytes of the file read ahead from Start on.
    struct ReadWindow {
        std::vector<char> Bytes;
        std::uint64_t Start = 0;
        std::size_t Length = 0;
        std::uint64_t LastUse = 0;
    };

    std::uint64_t Read(char* into, std::uint64_t size);
    std::uint64_t Write(const char* from, std::uint64_t size);
    bool Seek(std::uint64_t offset, int origin);
    ReadWindow* WindowAt(std::uint64_t position);
    bool PositionedRead(char* into, std::size_t size, std::size_t& count);

    int descriptor_;
    std::uint64_t position_ = 0;  // where the next read or write starts [bytes]
    // Bytes written and not yet on the file, from bufferStart_ on.
    std::vector<char> buffer_;
    std::uint64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
    bool dirty_ = false;
    // Two windows for reading: a reader walks the directory at the end of an
    // archive and the entries' headers and data from its start by turns.
    ReadWindow windows_[2];
    std::uint64_t uses_ = 0;
    int error_ = 0;
};

}  // namespace nevalorum
