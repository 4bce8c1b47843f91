#include "app/output_archive.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "common/codepage.h"
#include "common/errors.h"
#include "common/files.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

// Version 2.0 of the format on an MS-DOS host, for "made by" and "needed".
constexpr uLong FormatVersion = 20;
// General purpose flag bit 11: the entry's name is UTF-8.
constexpr uLong LanguageEncodingFlag = 0x800;
// MS-DOS attribute bits.
constexpr uLong ReadOnlyAttribute = 0x01;
constexpr uLong ArchiveAttribute = 0x20;
// Entry data is written in blocks of this size, with a progress report after each.
constexpr std::size_t WriteBlockSize = 64 * 1024;

struct CollectedFile {
    std::string Path;
    std::string Name;  // UTF-8, without folder
};

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return SameTextIgnoringCase(a, b);
}

// The temporary file an archive is written to before it takes the archive's name.
std::string TemporaryPattern(const std::string& archivePath) {
    return archivePath + ".XXXXXX";
}

bool IsTemporaryOf(const fs::path& file, const std::string& archivePath) {
    const std::string name = file.filename().string();
    const std::string archiveName = fs::path(archivePath).filename().string();
    return name.size() == archiveName.size() + 7 && name.starts_with(archiveName + ".");
}

// The files of a folder in name order, then those of its subfolders in name order.
void CollectFolder(const fs::path& folder, std::vector<fs::path>& files) {
    std::vector<fs::path> names;
    std::vector<fs::path> folders;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_directory(error)) {
            folders.push_back(entry.path());
        } else if (entry.is_regular_file(error)) {
            names.push_back(entry.path());
        }
    }
    std::sort(names.begin(), names.end());
    std::sort(folders.begin(), folders.end());
    files.insert(files.end(), names.begin(), names.end());
    for (const fs::path& subfolder : folders) {
        CollectFolder(subfolder, files);
    }
}

// Every file under the folder but the archive itself (whatever the letter case
// of its path) and its temporaries; of two files with one name, the first found.
std::vector<CollectedFile> CollectFiles(const std::string& outputFolder,
                                        const std::string& archivePath) {
    std::vector<fs::path> paths;
    CollectFolder(outputFolder, paths);
    std::vector<CollectedFile> files;
    for (const fs::path& path : paths) {
        if (SameNameIgnoringCase(path.string(), archivePath) || IsTemporaryOf(path, archivePath)) {
            continue;
        }
        const std::string name = path.filename().string();
        const bool taken = std::any_of(files.begin(), files.end(), [&](const CollectedFile& file) {
            return SameNameIgnoringCase(file.Name, name);
        });
        if (!taken) {
            files.push_back({path.string(), name});
        }
    }
    return files;
}

struct EntryName {
    std::string Bytes;
    uLong Flag = 0;
};

// The name in the OEM code page CP866 where it can hold it, else in UTF-8 with
// the language-encoding flag; "/" for any "\".
EntryName NameForEntry(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    // Through Windows-1251, the program's own code page: a character that it
    // lacks keeps the name in UTF-8 even where CP866 would have it.
    const std::optional<std::string> cp1251 =
        ConvertText(name, CodePage::Utf8, CodePage::Windows1251);
    const std::optional<std::string> cp866 =
        cp1251 ? ConvertText(*cp1251, CodePage::Windows1251, CodePage::Cp866) : std::nullopt;
    if (!cp866) {
        return {name, LanguageEncodingFlag};
    }
    return {*cp866, 0};
}

// The UTF-8 name of an existing entry.
std::string NameOfEntry(const std::string& bytes, uLong flag) {
    if ((flag & LanguageEncodingFlag) != 0) {
        return bytes;
    }
    // A name that is no CP866 text matches no file: the entry is kept as it is.
    return ConvertText(bytes, CodePage::Cp866, CodePage::Utf8).value_or(bytes);
}

// The modification time in the MS-DOS format: date in the high word, time (at
// two-second resolution) in the low word; times outside the format's years 1980
// to 2107 become its first or last day.
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

// Raw deflate (no zlib header) at the highest level.
std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw Error("Cannot start deflating");
    }
    std::string compressed(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = static_cast<uInt>(compressed.size());
    const int result = deflate(&stream, Z_FINISH);
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw Error("Cannot deflate");
    }
    return compressed;
}

// How many bytes of the data the first block of its deflated form holds: the
// deflated stream is inflated up to the end of its first block.
std::size_t FirstBlockLength(const std::string& compressed, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    z_stream stream{};
    inflateInit2(&stream, -MAX_WBITS);
    std::string out(size, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int result = Z_OK;
    do {
        result = inflate(&stream, Z_BLOCK);
    } while (result == Z_OK && (stream.data_type & 128) == 0);
    const std::size_t length = stream.total_out;
    inflateEnd(&stream);
    return length;
}

// The internal attribute: 1 (text) when a quarter of the bytes with values 7 to
// 127 is at least the number of the others, else 0 (binary). The rule is meant
// for the literals of the first deflate block; zlib does not report those, so
// it counts every byte that went into the first block.
uLong TextAttribute(const std::string& data, std::size_t firstBlockLength) {
    std::size_t ascii = 0;
    std::size_t other = 0;
    for (std::size_t i = 0; i < firstBlockLength; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        (byte >= 7 && byte <= 127 ? ascii : other) += 1;
    }
    return ascii / 4 >= other ? 1 : 0;
}

// An entry ready to be written: its fields and its data as the archive holds it.
struct ArchiveEntry {
    EntryName Name;
    int Method = 0;  // 8 deflate, 0 stored
    uLong DosDate = 0;
    uLong InternalAttributes = 0;
    uLong ExternalAttributes = 0;
    uLong VersionMadeBy = FormatVersion;
    uLong Crc = 0;
    std::uint64_t Size = 0;
    std::string Data;
    std::string LocalExtra;
    std::string CentralExtra;
    std::string Comment;
};

// A file compressed for the archive; none when it cannot be read.
std::optional<ArchiveEntry> EntryOfFile(const CollectedFile& file) {
    std::string data;
    struct stat info {};
    try {
        data = ReadWholeFile(file.Path);
    } catch (const InputOutputError&) {
        return std::nullopt;  // a file that cannot be read is left out
    }
    if (stat(file.Path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    ArchiveEntry entry;
    entry.Name = NameForEntry(file.Name);
    entry.DosDate = DosDateTime(info.st_mtim.tv_sec);
    entry.ExternalAttributes =
        ArchiveAttribute | ((info.st_mode & S_IWUSR) ? 0 : ReadOnlyAttribute);
    entry.Size = data.size();
    entry.Crc =
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    std::string compressed = Deflate(data);
    entry.InternalAttributes = TextAttribute(data, FirstBlockLength(compressed, data.size()));
    if (compressed.size() < data.size()) {
        entry.Method = Z_DEFLATED;
        entry.Data = std::move(compressed);
    } else {
        entry.Method = 0;
        entry.Data = std::move(data);
    }
    return entry;
}

// The existing archive, read entry by entry with the entries' raw data.
class ArchiveReader {
  public:
    explicit ArchiveReader(const std::string& path) : path_(path), file_(unzOpen64(path.c_str())) {
        if (file_ == nullptr) {
            throw InputOutputError("Cannot read the archive \"" + path + "\"; it is left as it is");
        }
    }
    ~ArchiveReader() { unzClose(file_); }
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    std::vector<ArchiveEntry> Entries() {
        std::vector<ArchiveEntry> entries;
        for (int result = unzGoToFirstFile(file_); result == UNZ_OK;
             result = unzGoToNextFile(file_)) {
            entries.push_back(CurrentEntry());
        }
        return entries;
    }

  private:
    ArchiveEntry CurrentEntry() {
        unz_file_info64 info{};
        Check(unzGetCurrentFileInfo64(file_, &info, nullptr, 0, nullptr, 0, nullptr, 0));
        std::string name(info.size_filename, '\0');
        ArchiveEntry entry;
        entry.CentralExtra.resize(info.size_file_extra);
        entry.Comment.resize(info.size_file_comment);
        Check(unzGetCurrentFileInfo64(file_, &info, name.data(), name.size(),
                                      entry.CentralExtra.data(), entry.CentralExtra.size(),
                                      entry.Comment.data(), entry.Comment.size()));
        entry.Name = {name, info.flag};
        entry.Method = static_cast<int>(info.compression_method);
        entry.DosDate = info.dosDate;
        entry.InternalAttributes = info.internal_fa;
        entry.ExternalAttributes = info.external_fa;
        entry.VersionMadeBy = info.version;
        entry.Crc = info.crc;
        entry.Size = info.uncompressed_size;
        int method = 0;
        int level = 0;
        Check(unzOpenCurrentFile2(file_, &method, &level, 1));
        entry.LocalExtra.resize(static_cast<std::size_t>(unzGetLocalExtrafield(file_, nullptr, 0)));
        unzGetLocalExtrafield(file_, entry.LocalExtra.data(),
                              static_cast<unsigned>(entry.LocalExtra.size()));
        entry.Data.resize(info.compressed_size);
        const int read =
            unzReadCurrentFile(file_, entry.Data.data(), static_cast<unsigned>(entry.Data.size()));
        unzCloseCurrentFile(file_);
        if (read < 0 || static_cast<std::uint64_t>(read) != info.compressed_size) {
            Check(UNZ_BADZIPFILE);
        }
        return entry;
    }

    void Check(int result) const {
        if (result != UNZ_OK) {
            throw InputOutputError("Cannot read the archive \"" + path_ +
                                   "\"; it is left as it is");
        }
    }

    std::string path_;
    unzFile file_;
};

// The new archive, written to a temporary file beside the old one and renamed
// over it when complete and flushed to the disk; removed on any failure.
class ArchiveWriter {
  public:
    ArchiveWriter(const std::string& archivePath, std::uint64_t bytesTotal,
                  const ArchiveProgressCallback& progress)
        : archivePath_(archivePath),
          temporary_(TemporaryPattern(archivePath)),
          progress_(progress) {
        progressState_.BytesTotal = bytesTotal;
        const int descriptor = mkstemp(temporary_.data());
        if (descriptor < 0) {
            throw CannotCreateFile(archivePath_, errno);
        }
        close(descriptor);
        file_ = zipOpen64(temporary_.c_str(), APPEND_STATUS_CREATE);
        if (file_ == nullptr) {
            Fail(errno);
        }
    }
    ~ArchiveWriter() {
        if (file_ != nullptr) {
            zipClose(file_, nullptr);
        }
        if (!committed_) {
            unlink(temporary_.c_str());
        }
    }
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Writes the entry's data as it is (already deflated or stored); minizip
    // then rewrites the local header with the CRC and sizes.
    void Write(const ArchiveEntry& entry) {
        zip_fileinfo info{};
        info.dosDate = entry.DosDate;
        info.internal_fa = entry.InternalAttributes;
        info.external_fa = entry.ExternalAttributes;
        // Level 0: minizip adds no compression-level bits to the flags of raw data.
        errno = 0;
        Check(zipOpenNewFileInZip4_64(
            file_, entry.Name.Bytes.c_str(), &info, Bytes(entry.LocalExtra),
            static_cast<uInt>(entry.LocalExtra.size()), Bytes(entry.CentralExtra),
            static_cast<uInt>(entry.CentralExtra.size()),
            entry.Comment.empty() ? nullptr : entry.Comment.c_str(), entry.Method, 0, 1, -MAX_WBITS,
            8, Z_DEFAULT_STRATEGY, nullptr, 0, entry.VersionMadeBy, entry.Name.Flag, 0));
        for (std::size_t at = 0; at < entry.Data.size(); at += WriteBlockSize) {
            const std::size_t length = std::min(WriteBlockSize, entry.Data.size() - at);
            Check(
                zipWriteInFileInZip(file_, entry.Data.data() + at, static_cast<unsigned>(length)));
            progressState_.BytesWritten += length;
            if (progress_) {
                progress_(progressState_);
            }
        }
        Check(zipCloseFileInZipRaw64(file_, entry.Size, entry.Crc));
    }

    // Writes the central directory, flushes the file and gives it the archive's name.
    void Commit() {
        errno = 0;
        const int result = zipClose(file_, nullptr);
        file_ = nullptr;
        Check(result);
        const int descriptor = open(temporary_.c_str(), O_RDWR);
        if (descriptor < 0 || fsync(descriptor) != 0 || fchmod(descriptor, 0644) != 0) {
            const int error = errno;
            if (descriptor >= 0) {
                close(descriptor);
            }
            Fail(error);
        }
        close(descriptor);
        if (rename(temporary_.c_str(), archivePath_.c_str()) != 0) {
            Fail(errno);
        }
        committed_ = true;
    }

  private:
    static const void* Bytes(const std::string& bytes) {
        return bytes.empty() ? nullptr : bytes.data();
    }

    void Check(int result) {
        if (result != ZIP_OK) {
            Fail(errno != 0 ? errno : EIO);
        }
    }

    [[noreturn]] void Fail(int error) { throw CannotCreateFile(archivePath_, error); }

    std::string archivePath_;
    std::string temporary_;
    ArchiveProgressCallback progress_;
    ArchiveProgress progressState_;
    zipFile file_ = nullptr;
    bool committed_ = false;
};

// The entries of the new archive: the existing ones in their order, each
// compressed anew where its file is newer (at the two-second resolution of the
// MS-DOS time), then the files no entry names.
std::vector<ArchiveEntry> PlanEntries(const std::vector<CollectedFile>& files,
                                      std::vector<ArchiveEntry> existing) {
    std::vector<bool> matched(files.size(), false);
    std::vector<ArchiveEntry> entries;
    for (ArchiveEntry& entry : existing) {
        const std::string name = NameOfEntry(entry.Name.Bytes, entry.Name.Flag);
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!matched[i] && SameNameIgnoringCase(files[i].Name, name)) {
                matched[i] = true;
                struct stat info {};
                if (stat(files[i].Path.c_str(), &info) == 0 &&
                    DosDateTime(info.st_mtim.tv_sec) > entry.DosDate) {
                    if (std::optional<ArchiveEntry> fresh = EntryOfFile(files[i])) {
                        entry = std::move(*fresh);
                    }
                }
                break;
            }
        }
        entries.push_back(std::move(entry));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!matched[i]) {
            if (std::optional<ArchiveEntry> entry = EntryOfFile(files[i])) {
                entries.push_back(std::move(*entry));
            }
        }
    }
    return entries;
}

}  // namespace

void ArchiveOutput(const Folders& folders, const ArchiveProgressCallback& progress) {
    const std::string& outputFolder = folders.OutputFolder;
    const std::string& archivePath = folders.ArchivePath;
    if (!fs::is_directory(outputFolder)) {
        throw CannotCreateFile(archivePath, ENOENT);
    }
    const std::vector<CollectedFile> files = CollectFiles(outputFolder, archivePath);
    std::vector<ArchiveEntry> existing;
    if (FileExists(archivePath)) {
        existing = ArchiveReader(archivePath).Entries();
    }
    const std::vector<ArchiveEntry> entries = PlanEntries(files, std::move(existing));
    std::uint64_t total = 0;
    for (const ArchiveEntry& entry : entries) {
        total += entry.Data.size();
    }
    ArchiveWriter writer(archivePath, total, progress);
    for (const ArchiveEntry& entry : entries) {
        writer.Write(entry);
    }
    writer.Commit();
}

}  // namespace nevalorum
