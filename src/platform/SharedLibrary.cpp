#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace sv {

SharedLibrary::SharedLibrary(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        handle_ = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle_) {
            error_.clear();
            return;
        }
        const char* why = ::dlerror();
        error_ = why ? why : name;
    }
}

void* SharedLibrary::Find(const char* name) {
    void* fn = handle_ ? ::dlsym(handle_, name) : nullptr;
    if (handle_ && !fn && !missing_) {
        missing_ = true;
        error_ = std::string("no ") + name;
    }
    return fn;
}

}  // namespace sv
