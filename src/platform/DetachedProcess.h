#pragma once
// Starts a program that outlives its starter: a new session, reparented away from the caller,
// standard input from /dev/null. The argument vector goes to exec as it is (never through a
// shell), so spaces, quotes and any bytes in arguments survive.
#include <string>
#include <vector>

namespace sv {

struct DetachedOptions {
    // A descriptor the program keeps open (its close-on-exec flag cleared), and the variable
    // that tells it the number; -1 for none.
    int keepFd = -1;
    std::string fdVariable;
};

// True once the program runs; false with *err (errno) when it could not be started.
bool StartDetached(const std::vector<std::string>& argv, const DetachedOptions& options = {}, int* err = nullptr);

// The path of the running program's own executable; empty when unknown.
std::string OwnExecutablePath();

}  // namespace sv
