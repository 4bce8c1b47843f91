#include "common/loaded_library.h"

#include <dlfcn.h>

#include <string>

#include "common/errors.h"

namespace nevalorum {

LoadedLibrary::LoadedLibrary(const char* soname, const SharedMessage& failure)
    : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)), failure_(failure) {
    if (handle_ == nullptr) {
        throw Failure(dlerror());
    }
}

void* LoadedLibrary::Symbol(const char* name) const {
    dlerror();
    void* const symbol = dlsym(handle_, name);
    if (symbol == nullptr) {
        const char* reason = dlerror();
        throw Failure(reason != nullptr ? reason : name);
    }
    return symbol;
}

Error LoadedLibrary::Failure(const std::string& reason) const {
    return Error(Format(Wording(failure_), reason.c_str()));
}

}  // namespace nevalorum
