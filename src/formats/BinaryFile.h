#pragma once
// An open file for the readers, writers and tag code of this folder: plain POSIX I/O on a
// descriptor with 64-bit offsets. Callers read and write whole buffers (8192 frames at a
// time), so no second layer of buffering is needed.
//
// A writer of long files may hand its writes to a thread (WriteBehindOn): Write then only
// queues, and every other call waits for the queue first, so the file reads as if each write
// had been done in place. A queued write that fails makes the next call fail.
#include "platform/UniqueFd.h"
#include "platform/WriteBehind.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sv {

class BinaryFile {
public:
    enum class Mode {
        ReadExisting,     // read only, the file must exist
        ReadWriteExisting,
        ReadWriteCreate,  // read and write, created when missing, content kept
        CreateAlways,     // read and write, created or emptied
    };

    BinaryFile() = default;
    // False when the file cannot be opened; errno then tells why.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return fd_.valid(); }
    // False when closing, or a queued write, reported a late write error.
    bool Close();
    // From here on writes are queued to a thread of the file's own.
    void WriteBehindOn();
    // Room for len bytes (at most WriteBehind::kPieceBytes) to make in place and then pass to
    // Write; with writes queued, that Write takes them without a copy.
    char* WriteSpace(std::size_t len);

    // Reads up to len bytes; the count read (short only at the end of the file), -1 on error.
    long Read(void* dst, std::size_t len);
    // Reads at an offset without moving the file position; as Read otherwise.
    long ReadAt(std::int64_t offset, void* dst, std::size_t len);
    // True when all len bytes were written.
    bool Write(const void* src, std::size_t len);
    bool Seek(std::int64_t offset);
    bool Skip(std::int64_t bytes);
    std::int64_t Tell() const;
    std::int64_t Size() const;
    bool Truncate(std::int64_t size);
    // Sets disk space aside for the file to grow to size without changing its length; Close
    // gives back what the writes did not use. Only a help: false changes nothing.
    bool Preallocate(std::int64_t size);
    // An exclusive advisory lock (released when the file closes); false while another holds one.
    bool TryLockExclusive();

private:
    // Waits for the queued writes; false when one failed (the failure then stays).
    bool Settle() const;

    UniqueFd fd_;
    std::vector<char> space_;
    mutable std::unique_ptr<WriteBehind> behind_;
    mutable bool behindFailed_ = false;
    bool preallocated_ = false;
};

}  // namespace sv
