#pragma once
// An open file for the readers, writers and tag code of this folder: plain POSIX I/O on a
// descriptor with 64-bit offsets. Callers read and write whole buffers (8192 frames at a
// time), so no second layer of buffering is needed.
#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>

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
    // False when closing reported a late write error.
    bool Close() { return fd_.Reset(); }

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
    // An exclusive advisory lock (released when the file closes); false while another holds one.
    bool TryLockExclusive();

private:
    UniqueFd fd_;
};

}  // namespace sv
