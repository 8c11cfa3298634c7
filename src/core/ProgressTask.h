#pragma once
// A long operation run on the window thread under the progress dialog. Each kind of work is a
// subclass whose Work() reports through the task and returns 0 (done), 1 (cancelled) or
// 2 (failed). RunTask shows the dialog around it.
#include <functional>
#include <string>

namespace sv {

class Host;
class ProgressUi;

enum TaskResult { kTaskDone = 0, kTaskCancelled = 1, kTaskFailed = 2 };

class LProgressTask {
public:
    explicit LProgressTask(std::string title) : title_(std::move(title)) {}
    virtual ~LProgressTask() = default;
    LProgressTask(const LProgressTask&) = delete;
    LProgressTask& operator=(const LProgressTask&) = delete;

    // Runs the work and stores its result.
    virtual bool Run();

    // Calls a worker makes between blocks of work.
    void SetText(int line, const std::string& text);
    // fraction in [0, 1]; ignored once the dialog is gone.
    void SetProgress(double fraction);
    // True when the user has cancelled; the worker then stops and returns 1.
    bool Pump();
    void Error(const std::string& text);

    const std::string& Title() const { return title_; }
    int Result() const { return result_; }
    bool Running() const { return dialog_ != nullptr; }

protected:
    virtual int Work() = 0;

private:
    friend bool RunTask(Host& host, LProgressTask& task);
    std::string title_;
    int result_ = kTaskFailed;
    ProgressUi* dialog_ = nullptr;
    bool cancelled_ = false;
};

// A task whose work is a function, for the many one-off workers.
class FunctionTask : public LProgressTask {
public:
    FunctionTask(std::string title, std::function<int(LProgressTask&)> work)
        : LProgressTask(std::move(title)), work_(std::move(work)) {}

protected:
    int Work() override { return work_(*this); }

private:
    std::function<int(LProgressTask&)> work_;
};

// Shows the progress dialog, runs the task and closes the dialog. True exactly when the
// task's result is 0. A task that is already running is not started again.
bool RunTask(Host& host, LProgressTask& task);

}  // namespace sv
