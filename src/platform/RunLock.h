#pragma once
// The run lock: a lock file that serialises the start-up decision between editors of one user.
// The file is never removed (a waiter must lock the same file its holder releases). A detached
// restart hands the held lock to its child, which adopts it, so no third start can slip in
// before the child listens.
#include "platform/UniqueFd.h"

#include <string>

namespace sv {

class RunLock {
public:
    // The variable through which a restarted child learns the descriptor of its inherited lock.
    static constexpr const char* kInheritVariable = "SONVELA_RUN_LOCK_FD";

    RunLock() = default;
    RunLock(RunLock&&) noexcept = default;
    RunLock& operator=(RunLock&&) noexcept = default;

    // Waits (no time-out) until path is locked; Held() is false when it cannot be created.
    static RunLock Wait(const std::string& path);
    // The lock a parent handed over for path, when there is one (the variable is cleared either
    // way, so the editor's own children never believe they hold it).
    static RunLock Adopt(const std::string& path);

    bool Held() const { return fd_.valid(); }
    int Descriptor() const { return fd_.get(); }
    void Release() { fd_.Reset(); }

private:
    UniqueFd fd_;
};

}  // namespace sv
