#pragma once
// A file of our own in the temporary folder: created with a fresh random name and mode 0600,
// so that no other user or editor can plant a link there or clobber it, and removed when this
// object goes. Used for files handed to child processes.
#include <string>

namespace sv {

class PrivateTempFile {
public:
    // Creates "<temporary folder>/sonvela-<stem>-XXXXXX<suffix>"; Valid() is false on failure.
    static PrivateTempFile Create(const std::string& stem, const std::string& suffix);

    PrivateTempFile() = default;
    PrivateTempFile(PrivateTempFile&& other) noexcept;
    PrivateTempFile& operator=(PrivateTempFile&& other) noexcept;
    PrivateTempFile(const PrivateTempFile&) = delete;
    PrivateTempFile& operator=(const PrivateTempFile&) = delete;
    ~PrivateTempFile();

    bool Valid() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    // Replaces the file's content; false when it could not be written in full.
    bool Write(const std::string& bytes) const;
    void Remove();

private:
    std::string path_;
};

}  // namespace sv
