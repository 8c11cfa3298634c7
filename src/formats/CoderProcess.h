#pragma once
// Running the coder programs: a decoder hidden, waited for under the progress dialog; the
// standard error of a coder kept in a private file so that a failure can say what the program
// said; the broken-pipe signal ignored, so that a coder ending early is a write error instead
// of the editor's death.
#include <string>
#include <vector>

namespace sv {

class ChildProcess;
class LProgressTask;

// Ignores SIGPIPE for the whole process (once); children still start with the default.
void IgnoreBrokenPipeSignal();

// Starts argv and waits for it under task (progress 1 - f, f from 0.97 shrinking by 1 % a
// slice). 0 when it ended with status 0 and output exists and is not empty; 1 when the user
// cancelled (the program is ended and output removed); 2 when it could not start, failed or
// left no output (output removed), *why then saying so.
int RunHidden(LProgressTask& task, const std::vector<std::string>& argv, const std::string& output,
              std::string* why = nullptr);

// Waits for child under task, ending it on Cancel: 0 ended, 1 cancelled. Without a task the
// wait is plain.
int WaitUnderTask(LProgressTask* task, ChildProcess& child);

// What the program wrote to its log, for a message: the last lines, at most a few hundred
// characters; empty when nothing.
std::string LogTail(const std::string& logPath);

// "Le programme "x" a échoué (code n)." and the log's tail.
std::string CoderFailureText(const std::string& program, int exitCode, const std::string& logPath);

}  // namespace sv
