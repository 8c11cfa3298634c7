#pragma once
// A lock file reserving a name between processes: created if absent, held with an exclusive
// flock, and removed when released. Another process holding it is the "sharing violation".
#include "platform/UniqueFd.h"

#include <string>

namespace sv {

class LockFile {
public:
    LockFile() = default;
    LockFile(LockFile&& o) noexcept = default;
    LockFile& operator=(LockFile&& o) noexcept;
    ~LockFile() { Release(); }

    // Held() is false when another process holds path (*busy set) or it cannot be created.
    static LockFile Acquire(const std::string& path, bool* busy = nullptr);
    bool Held() const { return fd_.valid(); }
    const std::string& Path() const { return path_; }
    void Release();

private:
    std::string path_;
    UniqueFd fd_;
};

// True when some process holds a flock on path (the file exists and is "open unshared").
bool FileLockedElsewhere(const std::string& path);

}  // namespace sv
