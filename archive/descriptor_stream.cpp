#include "archive/descriptor_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace nevalorum {
namespace {

constexpr std::size_t BufferSize = 256 * 1024;
constexpr std::size_t ReadWindowSize = 64 * 1024;

DescriptorStream& StreamOf(voidpf stream) {
    return *static_cast<DescriptorStream*>(stream);
}

}  // namespace

DescriptorStream::DescriptorStream(int descriptor) : descriptor_(descriptor) {
    buffer_.resize(BufferSize);
}

zlib_filefunc64_def DescriptorStream::Functions() {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = &OpenFunction;
    functions.zread_file = &ReadFunction;
    functions.zwrite_file = &WriteFunction;
    functions.ztell64_file = &TellFunction;
    functions.zseek64_file = &SeekFunction;
    functions.zclose_file = &CloseFunction;
    functions.zerror_file = &ErrorFunction;
    functions.opaque = this;
    return functions;
}

voidpf DescriptorStream::OpenFunction(voidpf opaque, const void*, int) {
    return opaque;
}

uLong DescriptorStream::ReadFunction(voidpf, voidpf stream, void* buffer, uLong size) {
    return static_cast<uLong>(StreamOf(stream).Read(static_cast<char*>(buffer), size));
}

uLong DescriptorStream::WriteFunction(voidpf, voidpf stream, const void* buffer, uLong size) {
    return static_cast<uLong>(StreamOf(stream).Write(static_cast<const char*>(buffer), size));
}

ZPOS64_T DescriptorStream::TellFunction(voidpf, voidpf stream) {
    return StreamOf(stream).position_;
}

long DescriptorStream::SeekFunction(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    return StreamOf(stream).Seek(offset, origin) ? 0 : -1;
}

int DescriptorStream::CloseFunction(voidpf, voidpf stream) {
    return StreamOf(stream).Flush() ? 0 : -1;
}

int DescriptorStream::ErrorFunction(voidpf, voidpf stream) {
    return StreamOf(stream).error_ != 0 ? 1 : 0;
}

bool DescriptorStream::Flush() {
    if (!dirty_) {
        return error_ == 0;
    }
    std::size_t written = 0;
    while (written < bufferLength_) {
        const ssize_t count = pwrite(descriptor_, buffer_.data() + written, bufferLength_ - written,
                                     static_cast<off_t>(bufferStart_ + written));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error_ = count < 0 ? errno : EIO;
            break;
        }
        written += static_cast<std::size_t>(count);
    }
    dirty_ = false;
    bufferLength_ = 0;
    return error_ == 0;
}

bool DescriptorStream::PositionedRead(char* into, std::size_t size, std::size_t& count) {
    while (true) {
        const ssize_t read = pread(descriptor_, into, size, static_cast<off_t>(position_));
        if (read >= 0) {
            count = static_cast<std::size_t>(read);
            return true;
        }
        if (errno != EINTR) {
            error_ = errno;
            return false;
        }
    }
}

DescriptorStream::ReadWindow* DescriptorStream::WindowAt(std::uint64_t position) {
    for (ReadWindow& window : windows_) {
        if (position >= window.Start && position < window.Start + window.Length) {
            window.LastUse = ++uses_;
            return &window;
        }
    }
    ReadWindow& window = windows_[0].LastUse <= windows_[1].LastUse ? windows_[0] : windows_[1];
    window.Bytes.resize(ReadWindowSize);
    window.Start = position;
    window.Length = 0;
    window.LastUse = ++uses_;
    if (!PositionedRead(window.Bytes.data(), window.Bytes.size(), window.Length) ||
        window.Length == 0) {
        return nullptr;  // a failure, or the end of the file
    }
    return &window;
}

std::uint64_t DescriptorStream::Read(char* into, std::uint64_t size) {
    // What was written goes to the file first, and no window holds older bytes.
    if (dirty_ && !Flush()) {
        return 0;
    }
    std::uint64_t done = 0;
    while (done < size) {
        if (size - done >= ReadWindowSize) {
            std::size_t count = 0;
            if (!PositionedRead(into + done, static_cast<std::size_t>(size - done), count) ||
                count == 0) {
                break;
            }
            done += count;
            position_ += count;
            continue;
        }
        const ReadWindow* window = WindowAt(position_);
        if (window == nullptr) {
            break;
        }
        const std::size_t at = static_cast<std::size_t>(position_ - window->Start);
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(size - done, window->Length - at));
        std::memcpy(into + done, window->Bytes.data() + at, count);
        done += count;
        position_ += count;
    }
    return done;
}

std::uint64_t DescriptorStream::Write(const char* from, std::uint64_t size) {
    // Bytes that land in the buffered window, or continue it, stay in memory:
    // minizip rewrites a local header just after writing the entry's data.
    const bool fits = dirty_ && position_ >= bufferStart_ &&
                      position_ <= bufferStart_ + bufferLength_ &&
                      position_ + size <= bufferStart_ + buffer_.size();
    if (!fits) {
        if (!Flush()) {
            return 0;
        }
        for (ReadWindow& window : windows_) {
            window.Length = 0;  // may hold bytes this write replaces
        }
        bufferStart_ = position_;
        bufferLength_ = 0;
        if (size > buffer_.size()) {
            std::uint64_t written = 0;
            while (written < size) {
                const ssize_t count = pwrite(descriptor_, from + written, size - written,
                                             static_cast<off_t>(position_ + written));
                if (count < 0 && errno == EINTR) {
                    continue;
                }
                if (count <= 0) {
                    error_ = count < 0 ? errno : EIO;
                    position_ += written;
                    return written;
                }
                written += static_cast<std::uint64_t>(count);
            }
            position_ += size;
            return size;
        }
        dirty_ = true;
    }
    const std::size_t at = static_cast<std::size_t>(position_ - bufferStart_);
    std::memcpy(buffer_.data() + at, from, size);
    bufferLength_ = std::max(bufferLength_, at + static_cast<std::size_t>(size));
    position_ += size;
    return size;
}

bool DescriptorStream::ReadAt(std::uint64_t offset, std::string& bytes) {
    position_ = offset;
    return Read(bytes.data(), bytes.size()) == bytes.size();
}

bool DescriptorStream::WriteAt(std::uint64_t offset, std::string_view bytes) {
    position_ = offset;
    return Write(bytes.data(), bytes.size()) == bytes.size() && Flush();
}

bool DescriptorStream::Seek(std::uint64_t offset, int origin) {
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            position_ = offset;
            return true;
        case ZLIB_FILEFUNC_SEEK_CUR:
            position_ += offset;
            return true;
        case ZLIB_FILEFUNC_SEEK_END: {
            struct stat info {};
            if (!Flush() || fstat(descriptor_, &info) != 0) {
                error_ = error_ != 0 ? error_ : errno;
                return false;
            }
            position_ = static_cast<std::uint64_t>(info.st_size) + offset;
            return true;
        }
        default:
            return false;
    }
}

}  // namespace nevalorum
