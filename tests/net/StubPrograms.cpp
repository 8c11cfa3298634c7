#include "StubPrograms.h"

#include <cstdlib>
#include <fstream>

#include <sys/stat.h>

namespace sv::test {

StubPrograms::StubPrograms(const std::string& folder) : folder_(folder + "/stubs") {
    ::mkdir(folder_.c_str(), 0755);
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "/usr/bin:/bin";
    ::setenv("PATH", (folder_ + ":" + oldPath_).c_str(), 1);
}

StubPrograms::~StubPrograms() { ::setenv("PATH", oldPath_.c_str(), 1); }

void StubPrograms::Add(const std::string& name, int exitCode) {
    std::string script = folder_ + "/" + name;
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" << folder_ << "/" << name
                          << ".calls'\nexit " << exitCode << "\n";
    ::chmod(script.c_str(), 0755);
}

std::vector<std::string> StubPrograms::Calls(const std::string& name) const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ + "/" + name + ".calls");
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

void StubPrograms::HideSystemPrograms() { ::setenv("PATH", folder_.c_str(), 1); }

}  // namespace sv::test
