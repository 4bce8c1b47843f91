#include "archive/archive_entry.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <cerrno>

#include "archive/archive_libraries.h"
#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {
namespace {

// MS-DOS attribute bits.
constexpr uLong ReadOnlyAttribute = 0x01;
constexpr uLong ArchiveAttribute = 0x20;
// Entry data goes to the writer in blocks of this size, and a large file is
// read in blocks of this size.
constexpr std::size_t BlockSize = 64 * 1024;

}  // namespace

std::u32string NameIgnoringCase(std::string_view utf8) {
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::u32string lower;
    for (std::size_t offset = 0; offset < utf8.size();) {
        const std::optional<char32_t> character = DecodeUtf8At(utf8, offset);
        char32_t c = character.value_or(0xDC00 + static_cast<unsigned char>(utf8[offset]));
        if (!character) {
            ++offset;
        } else if (unicode != locale_t{}) {
            c = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicode));
        } else if (c < 0x80) {
            c = static_cast<char32_t>(std::tolower(static_cast<int>(c)));
        }
        lower += c;
    }
    return lower;
}

namespace {

// Raw deflate (no zlib header) at the highest level, fed block by block.
class Deflater {
  public:
    Deflater() {
        if (Zlib().deflateInit2_(&stream_, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY,
                                 ZLIB_VERSION, static_cast<int>(sizeof stream_)) != Z_OK) {
            throw Error("Cannot start deflating");
        }
    }
    ~Deflater() { Zlib().deflateEnd(&stream_); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Compresses input (the last block with finish set) and gives the output to sink.
    void Feed(std::string_view input, bool finish, const DataSink& sink) {
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream_.avail_in = static_cast<uInt>(input.size());
        int result = Z_OK;
        do {
            stream_.next_out = reinterpret_cast<Bytef*>(buffer_);
            stream_.avail_out = sizeof buffer_;
            result = Zlib().deflate(&stream_, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) {
                throw Error("Cannot deflate");
            }
            const std::size_t produced = sizeof buffer_ - stream_.avail_out;
            if (produced > 0) {
                sink(std::string_view(buffer_, produced));
            }
        } while (stream_.avail_out == 0 || (finish && result != Z_STREAM_END));
    }

  private:
    z_stream stream_{};
    char buffer_[BlockSize];
};

// The internal attribute: 1 (text) when a quarter of the bytes with values 7 to
// 127 is at least the number of the others, else 0 (binary). The rule is meant
// for the literals of the first deflate block; zlib does not report those, so
// it counts every byte that went into the first block, found by inflating the
// deflated data up to the end of its first block.
class TextAttributeCounter {
  public:
    TextAttributeCounter() {
        Zlib().inflateInit2_(&stream_, -MAX_WBITS, ZLIB_VERSION, static_cast<int>(sizeof stream_));
    }
    ~TextAttributeCounter() { Zlib().inflateEnd(&stream_); }
    TextAttributeCounter(const TextAttributeCounter&) = delete;
    TextAttributeCounter& operator=(const TextAttributeCounter&) = delete;

    void Feed(std::string_view compressed) {
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
        stream_.avail_in = static_cast<uInt>(compressed.size());
        while (!done_ && stream_.avail_in > 0) {
            stream_.next_out = reinterpret_cast<Bytef*>(buffer_);
            stream_.avail_out = sizeof buffer_;
            const int result = Zlib().inflate(&stream_, Z_BLOCK);
            Count(std::string_view(buffer_, sizeof buffer_ - stream_.avail_out));
            done_ = result != Z_OK || (stream_.data_type & 128) != 0;
        }
    }

    uLong Attribute() const { return ascii_ / 4 >= other_ ? 1 : 0; }

    // Counts the bytes of a first block that is the whole data: deflate's
    // first bit (BFINAL) set says the first block is the last one.
    void CountWhole(std::string_view data) {
        done_ = true;
        Count(data);
    }

    static bool FirstBlockIsLast(std::string_view compressed) {
        return !compressed.empty() && (static_cast<unsigned char>(compressed[0]) & 1) != 0;
    }

  private:
    void Count(std::string_view bytes) {
        std::uint64_t ascii = 0;
        for (const char c : bytes) {
            // 7 to 127, written so that the loop needs no branch.
            ascii += static_cast<unsigned char>(static_cast<unsigned char>(c) - 7) <= 120;
        }
        ascii_ += ascii;
        other_ += bytes.size() - ascii;
    }

    z_stream stream_{};
    char buffer_[BlockSize];
    bool done_ = false;
    std::uint64_t ascii_ = 0;
    std::uint64_t other_ = 0;
};

// An open file read from its start block by block.
class FileBlocks {
  public:
    FileBlocks(const OpenedOutputFile& file, std::string path)
        : path_(std::move(path)),
          descriptor_(file.Descriptor.Get()),
          size_(static_cast<std::uint64_t>(file.Info.st_size)) {}
    FileBlocks(const FileBlocks&) = delete;
    FileBlocks& operator=(const FileBlocks&) = delete;

    // The next block, empty at the end of the file. Throws FileError.
    std::string_view Next() {
        if (ended_) {
            return {};
        }
        while (true) {
            const ssize_t count =
                pread(descriptor_, buffer_, sizeof buffer_, static_cast<off_t>(offset_));
            if (count >= 0) {
                offset_ += static_cast<std::uint64_t>(count);
                // A short read past the size the file had when opened is its
                // end: no further read is needed to find it.
                ended_ = static_cast<std::size_t>(count) < sizeof buffer_ && offset_ >= size_;
                return std::string_view(buffer_, static_cast<std::size_t>(count));
            }
            if (errno != EINTR) {
                throw FileError(path_, errno);
            }
        }
    }

  private:
    std::string path_;
    int descriptor_;
    std::uint64_t size_;  // as fstat gave it when the file was opened
    std::uint64_t offset_ = 0;
    bool ended_ = false;
    char buffer_[4 * BlockSize];
};

// Gives bytes to sink in blocks of at most BlockSize.
void InBlocks(std::string_view bytes, const DataSink& sink) {
    for (std::size_t at = 0; at < bytes.size(); at += BlockSize) {
        sink(bytes.substr(at, BlockSize));
    }
}

struct Measured {
    std::uint64_t Size = 0;
    uLong Crc = 0;
};

// Reads the open file from its start block by block, giving each block to
// each, and measures it.
Measured ReadInBlocks(const OpenedOutputFile& file, const std::string& path,
                      const std::function<void(std::string_view)>& each) {
    FileBlocks blocks(file, path);
    Measured measured;
    measured.Crc = Zlib().crc32(0, nullptr, 0);
    for (std::string_view block = blocks.Next(); !block.empty(); block = blocks.Next()) {
        measured.Size += block.size();
        measured.Crc = Zlib().crc32(measured.Crc, reinterpret_cast<const Bytef*>(block.data()),
                                    static_cast<uInt>(block.size()));
        each(block);
    }
    return measured;
}

}  // namespace

EntryName NameForEntry(std::string utf8Name) {
    std::replace(utf8Name.begin(), utf8Name.end(), '\\', '/');
    // Through Windows-1251, the program's own code page: a character that it
    // lacks keeps the name in UTF-8 even where CP866 would have it.
    const std::optional<std::string> cp1251 =
        ConvertText(utf8Name, CodePage::Utf8, CodePage::Windows1251);
    const std::optional<std::string> cp866 =
        cp1251 ? ConvertText(*cp1251, CodePage::Windows1251, CodePage::Cp866) : std::nullopt;
    if (!cp866) {
        return {utf8Name, LanguageEncodingFlag};
    }
    return {*cp866, 0};
}

std::string NameOfEntry(const EntryName& name) {
    if ((name.Flag & LanguageEncodingFlag) != 0) {
        return name.Bytes;
    }
    return ConvertText(name.Bytes, CodePage::Cp866, CodePage::Utf8).value_or(name.Bytes);
}

uLong DosDateTime(std::time_t modified) {
    std::tm local{};
    localtime_r(&modified, &local);
    if (local.tm_year < 80) {
        return (1u << 5 | 1u) << 16;
    }
    if (local.tm_year > 207) {
        return static_cast<uLong>(127u << 9 | 12u << 5 | 31u) << 16 | (23u << 11 | 59u << 5 | 29u);
    }
    const uLong date =
        static_cast<uLong>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    const uLong time =
        static_cast<uLong>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return date << 16 | time;
}

EncodedFile EncodeFile(const CollectedFile& source, const OpenedOutputFile& opened,
                       std::uint64_t keepLimit) {
    const struct stat& info = opened.Info;
    EncodedFile file{.Source = source, .Identity = IdentityOf(info), .Header = {}, .Data = {}};
    EntryHeader& header = file.Header;
    header.Name = NameForEntry(source.Name);
    header.DosDate = DosDateTime(info.st_mtim.tv_sec);
    header.ExternalAttributes =
        ArchiveAttribute | ((info.st_mode & S_IWUSR) ? 0 : ReadOnlyAttribute);

    Deflater deflater;
    TextAttributeCounter text;
    std::string compressed;
    const bool keep = static_cast<std::uint64_t>(info.st_size) <= keepLimit;
    // A kept file's attribute is found once its data is deflated; a large
    // file's as its blocks come.
    const DataSink collect = [&](std::string_view block) {
        header.CompressedSize += block.size();
        if (keep) {
            compressed.append(block);
        } else {
            text.Feed(block);
        }
    };
    std::string data;
    const Measured measured = ReadInBlocks(opened, source.Path(), [&](std::string_view block) {
        if (keep) {
            data.append(block);
        } else {
            deflater.Feed(block, false, collect);
        }
    });
    // A small file is deflated in one piece, as it always was.
    deflater.Feed(keep ? std::string_view(data) : std::string_view(), true, collect);
    if (keep && TextAttributeCounter::FirstBlockIsLast(compressed)) {
        text.CountWhole(data);
    } else if (keep) {
        text.Feed(compressed);
    }
    header.Size = measured.Size;
    header.Crc = measured.Crc;
    header.InternalAttributes = measured.Size == 0 ? 1 : text.Attribute();
    if (header.CompressedSize < header.Size) {
        header.Method = Z_DEFLATED;
        if (keep) {
            file.Data = std::move(compressed);
        }
    } else {
        header.Method = 0;
        header.CompressedSize = header.Size;
        if (keep) {
            file.Data = std::move(data);
        }
    }
    return file;
}

void WriteEncodedData(const EncodedFile& file, const DataSink& sink) {
    if (file.Data) {
        InBlocks(*file.Data, sink);
        return;
    }
    const std::string path = file.Source.Path();
    const std::optional<OpenedOutputFile> opened = OpenCollectedFile(file.Source);
    if (!opened || IdentityOf(opened->Info) != file.Identity) {
        throw InputOutputError("The file " + path + " changed while it was archived");
    }
    Deflater deflater;
    const bool deflated = file.Header.Method == Z_DEFLATED;
    const Measured measured = ReadInBlocks(*opened, path, [&](std::string_view block) {
        if (deflated) {
            deflater.Feed(block, false, sink);
        } else {
            InBlocks(block, sink);
        }
    });
    if (deflated) {
        deflater.Feed({}, true, sink);
    }
    if (measured.Size != file.Header.Size || measured.Crc != file.Header.Crc) {
        throw InputOutputError("The file " + path + " changed while it was archived");
    }
}

bool DiffersFromEntry(const OpenedOutputFile& file, const std::string& path,
                      const EntryHeader& entry) {
    if (DosDateTime(file.Info.st_mtim.tv_sec) > entry.DosDate ||
        static_cast<std::uint64_t>(file.Info.st_size) != entry.Size) {
        return true;
    }
    const Measured measured = ReadInBlocks(file, path, [](std::string_view) {});
    return measured.Crc != entry.Crc || measured.Size != entry.Size;
}

}  // namespace nevalorum
