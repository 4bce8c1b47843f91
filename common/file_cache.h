#pragma once
// Parsed contents of data files, each kept with the size and modification time
// of the file it was read from, so that a lookup gives exactly what parsing the
// file afresh would give. The cache is an object its owner passes around.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "common/files.h"

namespace nevalorum {

template <typename Parsed>
class ParsedFileCache {
  public:
    // The contents of the regular file at path as it is on disk now, parsed by
    // parse, or null when there is no such file. The file is read and parsed
    // again only when its size or modification time changed. The parser is
    // given the file's bytes to keep or to read. Throws InputOutputError when
    // the file exists but cannot be read.
    template <typename Parser>
    std::shared_ptr<const Parsed> Get(const std::string& path, Parser parse) {
        const std::optional<FileStamp> stamp = StampOfExistingFile(path);
        if (!stamp) {
            entries_.erase(path);
            return nullptr;
        }
        auto found = entries_.find(path);
        if (found != entries_.end() && found->second.Stamp == *stamp) {
            return found->second.Value;
        }
        auto value = std::make_shared<const Parsed>(parse(ReadWholeFile(path)));
        entries_.insert_or_assign(path, Entry{*stamp, value});
        return value;
    }

  private:
    struct Entry {
        FileStamp Stamp;
        std::shared_ptr<const Parsed> Value;
    };
    std::map<std::string, Entry> entries_;
};

}  // namespace nevalorum
