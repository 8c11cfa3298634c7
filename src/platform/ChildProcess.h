#pragma once
// A hidden child process: started from an argument list (no shell, PATH searched), standard
// input from /dev/null or a file, standard output and error to /dev/null or a file. The owner polls it
// and may kill it; a child still running when its owner goes is killed and reaped.
#include <string>
#include <sys/types.h>
#include <vector>

namespace sv {

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // argv[0] is the program (searched in PATH when it has no "/"). outputFile, when not empty,
    // receives the child's standard error (and output), truncated first. False (with errno in
    // *err) when the program could not be started, a missing program giving ENOENT.
    bool Start(const std::vector<std::string>& argv, const std::string& outputFile = {}, int* err = nullptr);
    // The next Start reads its standard input from this file instead of /dev/null (text handed
    // to a program this way never passes through its command line).
    void SetInputFile(const std::string& path) { inputFile_ = path; }
    // Children started from now on see name=value in their environment instead of what this
    // process has for name.
    void SetEnvironment(const std::string& name, const std::string& value);
    // Starts like Start, the child's standard input being the read end of a new pipe; *writeEnd
    // receives the write end (close-on-exec, so no other child inherits it and the child sees
    // end of input once the owner closes it).
    bool StartWithInputPipe(const std::vector<std::string>& argv, int* writeEnd, const std::string& outputFile = {},
                            int* err = nullptr);
    // Waits up to timeoutMs for the child to end; true once it has ended.
    bool Wait(int timeoutMs);
    // Ends the child at once (SIGKILL) and reaps it.
    void Kill();

    // Lets the child run on after its owner goes (a program the user works in).
    void Detach() { pid_ = -1; }
    bool Running() const { return pid_ > 0 && !ended_; }
    // The exit status once ended normally; -1 when it was killed by a signal or never ran.
    int ExitCode() const { return exitCode_; }

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int exitCode_ = -1;
    std::string inputFile_;
    int inputFd_ = -1;  // for the next Start only
    std::vector<std::string> environment_;  // "name=value" entries overriding this process's
};

// True when program can be found in PATH (or names an executable file).
bool ProgramAvailable(const std::string& program);

}  // namespace sv
