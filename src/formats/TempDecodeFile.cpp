#include "formats/TempDecodeFile.h"

#include "platform/Paths.h"

namespace sv {

namespace {
constexpr int kMaxNumber = 1000;
}

TempDecodeFile TempDecodeFile::Reserve(const std::string& folderIn) {
    const std::string folder = folderIn.empty() ? TempFolder() : folderIn;
    TempDecodeFile file;
    for (int n = 1; n <= kMaxNumber; ++n) {
        bool busy = false;
        LockFile lock = LockFile::Acquire(JoinPath(folder, "Temp" + std::to_string(n) + ".lck"), &busy);
        if (!lock.Held()) {
            if (busy) continue;
            return file;
        }
        const std::string wav = JoinPath(folder, "Temp" + std::to_string(n) + ".wav");
        if (FileExists(wav) && (FileLockedElsewhere(wav) || !RemoveFile(wav))) continue;
        file.lock_ = std::move(lock);
        file.number_ = n;
        file.wavPath_ = wav;
        return file;
    }
    return file;
}

}  // namespace sv
