#pragma once
// SharedLibrary: a library opened when a feature first needs it instead of at every start, so
// that a run that never sends a file pays nothing for the TLS, transfer and keyring libraries
// (each pulls in a dozen more, a few milliseconds of loading). A library once opened stays
// for the life of the process: those libraries keep threads and exit handlers of their own.
#include <initializer_list>
#include <string>

namespace sv {

class SharedLibrary {
public:
    // Opens the first of names (sonames, tried in turn) that loads; Loaded() tells whether one did.
    explicit SharedLibrary(std::initializer_list<const char*> names);
    bool Loaded() const { return handle_ != nullptr; }
    // Loaded, and every Bind so far found its function.
    bool Complete() const { return handle_ != nullptr && !missing_; }
    // What the loader said about the last name tried, or the function it lacked, for a message.
    const std::string& Error() const { return error_; }

    // Points fn at the library's function name (searched in the library and those it needs);
    // false, leaving fn null, when there is none.
    template <class F>
    bool Bind(F*& fn, const char* name) {
        fn = reinterpret_cast<F*>(Find(name));
        return fn != nullptr;
    }

private:
    void* Find(const char* name);

    void* handle_ = nullptr;
    bool missing_ = false;
    std::string error_;
};

}  // namespace sv
