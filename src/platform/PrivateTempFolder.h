#pragma once
// A folder of our own in the temporary folder, made with a fresh random name and mode 0700
// (mkdtemp), so that nothing planted under a known name is ever used or emptied, and removed
// with its content when this object goes. Emptying never follows a link: a link inside is
// removed itself, whatever it points to.
#include <string>

namespace sv {

class PrivateTempFolder {
public:
    // Creates "<temporary folder>/sonvela-<stem>-XXXXXX"; Valid() is false on failure, and when
    // the temporary folder is not an absolute path.
    static PrivateTempFolder Create(const std::string& stem);

    PrivateTempFolder() = default;
    PrivateTempFolder(PrivateTempFolder&& other) noexcept;
    PrivateTempFolder& operator=(PrivateTempFolder&& other) noexcept;
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;
    ~PrivateTempFolder();

    bool Valid() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const;
    void Remove();

private:
    std::string path_;
};

// Deletes every entry of the folder path, descending into real folders only; a link is
// unlinked, never followed. False when something could not be removed. The folder stays.
bool EmptyFolderNoFollow(const std::string& path);

}  // namespace sv
