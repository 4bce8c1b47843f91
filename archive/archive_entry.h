#pragma once
// How the output archive encodes an entry: its name (CP866, or UTF-8 with the
// language-encoding flag), its MS-DOS time and attributes, and its data,
// deflated at level 9 or stored where deflating does not make it smaller.

#include <zlib.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive/output_folder.h"

namespace nevalorum {

// Version 2.0 of the format on an MS-DOS host, for "made by" and "needed".
inline constexpr uLong FormatVersion = 20;
// General purpose flag bit 11: the entry's name is UTF-8.
inline constexpr uLong LanguageEncodingFlag = 0x800;

struct EntryName {
    std::string Bytes;
    uLong Flag = 0;
};

// The name in the OEM code page CP866 where it can hold it, else in UTF-8 with
// the language-encoding flag; "/" for any "\".
EntryName NameForEntry(std::string utf8Name);

// The UTF-8 name of an existing entry; bytes that are no CP866 text stay as
// they are and then match no file.
std::string NameOfEntry(const EntryName& name);

// The UTF-8 name in lower case, Cyrillic included, for comparing names without
// regard to letter case; a byte that is no UTF-8 stands for itself.
std::u32string NameIgnoringCase(std::string_view utf8);

// The modification time in the MS-DOS format: date in the high word, time (at
// two-second resolution) in the low word; times outside the format's years 1980
// to 2107 become its first or last day.
uLong DosDateTime(std::time_t modified);

// The fields of an entry, as the central directory holds them.
struct EntryHeader {
    EntryName Name;
    int Method = 0;  // 8 deflate, 0 stored
    uLong DosDate = 0;
    uLong InternalAttributes = 0;
    uLong ExternalAttributes = 0;
    uLong VersionMadeBy = FormatVersion;
    uLong Crc = 0;
    std::uint64_t Size = 0;            // of the data uncompressed
    std::uint64_t CompressedSize = 0;  // of the data as the archive holds it
    std::string LocalExtra;
    std::string CentralExtra;
    std::string Comment;
};

// Receives the entry data in blocks as it is produced.
using DataSink = std::function<void(std::string_view block)>;

// A file of the output folder encoded as an entry. The data of a small file is
// kept; that of a large one is produced again, block by block, when written.
struct EncodedFile {
    CollectedFile Source;
    FileIdentity Identity;  // of the file that was encoded
    EntryHeader Header;
    std::optional<std::string> Data;
};

// Encodes the open file under its name. Files up to keepLimit bytes keep
// their data in memory. Throws FileError when it cannot be read.
EncodedFile EncodeFile(const CollectedFile& file, const OpenedOutputFile& opened,
                       std::uint64_t keepLimit);

// Gives the encoded data to sink in blocks of at most 64 KiB. Throws
// InputOutputError when the file changed since it was encoded.
void WriteEncodedData(const EncodedFile& file, const DataSink& sink);

// Whether the open file differs from the existing entry of its name: a later
// time (at the two-second resolution of the MS-DOS time), another size, or,
// only when those do not decide, another CRC-32.
bool DiffersFromEntry(const OpenedOutputFile& file, const std::string& path, const EntryHeader& entry);

}  // namespace nevalorum
