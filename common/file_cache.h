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
    // parse, or null when nothing is at path. The file is read and parsed again
    // only when its size or modification time changed. The parser is given the
    // file's bytes to keep or to read. Throws InputOutputError when the file
    // cannot be read, is too large, or is a link or a special file.
    template <typename Parser>
    std::shared_ptr<const Parsed> Get(const std::string& path, Parser parse) {
        const std::optional<OpenedFile> file = OpenedFile::OpenIfPresent(path);
        if (!file) {
            entries_.erase(path);
            return nullptr;
        }
        auto found = entries_.find(path);
        if (found != entries_.end() && found->second.Stamp == file->Stamp()) {
            return found->second.Value;
        }
        auto value = std::make_shared<const Parsed>(parse(file->ReadAll()));
        entries_.insert_or_assign(path, Entry{file->Stamp(), value});
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
