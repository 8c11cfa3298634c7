#include "support/TempFolder.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <stdexcept>
#include <vector>
#include <unistd.h>

namespace sv::test {

TempFolder::TempFolder() {
    std::string pattern = JoinPath(sv::TempFolder(), "sonvela-test-XXXXXX");
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

static void RemoveTree(const std::string& path) {
    if (DIR* dir = ::opendir(path.c_str())) {
        std::vector<std::string> names;
        while (dirent* e = ::readdir(dir)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(dir);
        for (const auto& n : names) {
            std::string child = path + "/" + n;
            if (!RemoveFile(child)) RemoveTree(child);
        }
    }
    ::rmdir(path.c_str());
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::vector<std::string> TempFolder::List() const {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path_.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace sv::test
