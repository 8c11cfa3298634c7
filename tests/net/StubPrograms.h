#pragma once
// Stand-ins for desktop helpers (xdg-open, xdg-email) put first on PATH for one test: each
// records its arguments, one a line, in a file of the folder. PATH is restored at the end.
#include <string>
#include <vector>

namespace sv::test {

class StubPrograms {
public:
    explicit StubPrograms(const std::string& folder);
    ~StubPrograms();
    StubPrograms(const StubPrograms&) = delete;
    StubPrograms& operator=(const StubPrograms&) = delete;

    void Add(const std::string& name, int exitCode = 0);
    // The arguments of every call to name, in order; empty when it was never called.
    std::vector<std::string> Calls(const std::string& name) const;
    // PATH holds the stub folder alone: no desktop helper can be found.
    void HideSystemPrograms();

private:
    std::string folder_;
    std::string oldPath_;
};

}  // namespace sv::test
