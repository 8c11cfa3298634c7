#pragma once
// A fresh folder under the temporary folder, removed with everything in it at the end.
#include <string>
#include <vector>

namespace sv::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files directly inside, sorted.
    std::vector<std::string> List() const;

private:
    std::string path_;
};

}  // namespace sv::test
