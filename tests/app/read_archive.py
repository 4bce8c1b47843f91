#!/usr/bin/env python3
"""Reads a ZIP archive with Python's zipfile, as a reader independent of the
program, and prints one line per entry with the fields of its central and local
headers; exits 1 when testzip() finds a damaged entry.

Line: name|made_by|system|needed|flags|method|internal|external|dos_date|dos_time|
      local_flags|local_method|local_extra|central_extra|comment|crc_ok|sha256 of the
      local header and data as stored|crc|compressed_size|size|header_offset|
      end of the entry's data|disk_start|local_needed
"""
import hashlib
import struct
import sys
import zipfile


def main(path):
    raw = open(path, "rb").read()
    with zipfile.ZipFile(path) as archive:
        if archive.testzip() is not None:
            print("damaged:", archive.testzip())
            return 1
        for info in archive.infolist():
            name = info.filename
            if not info.flag_bits & 0x800:
                name = name.encode("cp437").decode("cp866")
            offset = info.header_offset
            (_, _, local_flags, local_method, local_time, local_date, local_crc,
             local_compressed, local_size, name_length, extra_length) = struct.unpack(
                "<IHHHHHIIIHH", raw[offset:offset + 30])
            end = offset + 30 + name_length + extra_length + info.compress_size
            fields = [
                name, info.create_version, info.create_system, info.extract_version,
                info.flag_bits, info.compress_type, info.internal_attr, info.external_attr,
                (info.date_time[0] - 1980) << 9 | info.date_time[1] << 5 | info.date_time[2],
                info.date_time[3] << 11 | info.date_time[4] << 5 | info.date_time[5] // 2,
                local_flags, local_method, extra_length, len(info.extra), len(info.comment),
                int(local_crc == info.CRC and local_compressed == info.compress_size
                    and local_size == info.file_size),
                hashlib.sha256(raw[offset:end]).hexdigest(),
                info.CRC, info.compress_size, info.file_size, offset, end, info.volume,
                struct.unpack("<H", raw[offset + 4:offset + 6])[0],
            ]
            print("|".join(str(field) for field in fields))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
