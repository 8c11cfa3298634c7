#pragma once
// The temporary decode file "Temp<n>.wav" in the temporary folder, for the smallest n that can
// be reserved: "Temp<n>.lck" beside it is held (flock) for as long as this object lives, so
// that several running editors never decode into the same file. The WAV file itself stays
// after use and is reused by a later reservation.
#include "platform/LockFile.h"

#include <string>

namespace sv {

class TempDecodeFile {
public:
    // Reserves in folder (the temporary folder when empty); Held() is false when no name
    // could be reserved.
    static TempDecodeFile Reserve(const std::string& folder = {});

    bool Held() const { return lock_.Held(); }
    int Number() const { return number_; }
    const std::string& WavPath() const { return wavPath_; }

private:
    LockFile lock_;
    int number_ = 0;
    std::string wavPath_;
};

}  // namespace sv
