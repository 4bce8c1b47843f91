#pragma once
// Libraries that only some steps need (the chart's FreeType and libjpeg, the
// archive's minizip and zlib, the calendar's libical) are opened when a step
// first asks for them, not by the loader at every start: linked to the
// program, they and what they bring would be loaded even by a command that
// prints a few longitudes, and would take most of its time.
//
// A library's functions are a table of pointers, one per function, declared
// and looked up by a list macro of their names:
//
//   #define ZLIB_FUNCTIONS(X) X(crc32) X(deflate)
//   NEVALORUM_FUNCTION_TABLE(ZlibFunctions, ZLIB_FUNCTIONS, "libz.so.1", NoArchive);
//   ... Opened<ZlibFunctions>().crc32(0, nullptr, 0) ...

#include <string>

#include "common/errors.h"
#include "common/messages.h"

namespace nevalorum {

// A shared library opened by its soname and kept open for the rest of the
// process, with whatever state it keeps: never closed, a table of its
// functions stays valid whatever is destroyed when.
class LoadedLibrary {
  public:
    // Throws Error with failure's wording, its %s filled by the loader's
    // reason, when the library cannot be opened.
    LoadedLibrary(const char* soname, const SharedMessage& failure);
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // Points function at the library's function called name; throws as the
    // constructor when the library has none.
    template <typename Function>
    void Find(Function*& function, const char* name) const {
        function = reinterpret_cast<Function*>(Symbol(name));
    }

  private:
    void* Symbol(const char* name) const;
    // The failure's message with the loader's reason, taken before anything
    // else can replace it.
    Error Failure(const std::string& reason) const;
    void* handle_;
    SharedMessage failure_;
};

// A table member for the declared function name, and its lookup in library_.
#define NEVALORUM_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
#define NEVALORUM_FIND_FUNCTION(name) library_.Find(name, #name);

// The class Name: a member for each function the list macro FUNCTIONS names,
// each found in the library soname when the table is made; a library or a
// function that is missing throws with the SharedMessage failure.
#define NEVALORUM_FUNCTION_TABLE(Name, FUNCTIONS, soname, failure)                     \
    class Name {                                                                       \
      public:                                                                          \
        Name()                                                                         \
            : library_(soname, failure){FUNCTIONS(NEVALORUM_FIND_FUNCTION)} FUNCTIONS( \
                  NEVALORUM_FUNCTION_POINTER)                                          \
                                                                                       \
                  private : LoadedLibrary library_;                                    \
    }

// The table of a library, the library opened at the first call.
template <typename Table>
const Table& Opened() {
    static const Table table;
    return table;
}

}  // namespace nevalorum
