#pragma once
// Helpers of the CD tests: a sink that records what a rip delivers, and a host whose progress
// dialog is cancelled when the test says so.
#include "core/AudioWriter.h"
#include "core/ProgressTask.h"
#include "support/ScriptedHost.h"

#include <functional>
#include <memory>
#include <vector>

namespace sv::test {

class RecordingWriter : public LAudioWriter {
public:
    RecordingWriter() { channels = 2; }
    void Write(const std::int32_t* src, std::int32_t frames) override {
        pieces.push_back(frames);
        samples.insert(samples.end(), src, src + frames * 2);
        framesWritten += frames;
        if (afterWrite) afterWrite(*this);
    }
    void Truncate(std::int32_t) override {}

    std::vector<std::int32_t> pieces;
    std::vector<std::int32_t> samples;
    std::function<void(RecordingWriter&)> afterWrite;

protected:
    bool DoFinish() override { return !error; }
};

// A scripted host whose progress dialog reports a cancel once cancelled is set, and calls
// onPump at each pump (as events delivered by a real dialog would).
class CancellableHost : public ScriptedHost {
public:
    std::unique_ptr<ProgressUi> OpenProgress(const std::string& title) override {
        struct Progress : ProgressUi {
            explicit Progress(CancellableHost& h, std::unique_ptr<ProgressUi> inner) : host(h), base(std::move(inner)) {}
            void SetText(int line, const std::string& text) override { base->SetText(line, text); }
            void SetPercent(int percent) override { base->SetPercent(percent); }
            bool Pump() override {
                if (host.onPump) host.onPump();
                return base->Pump() || host.cancelled;
            }
            void Error(const std::string& text) override { base->Error(text); }
            CancellableHost& host;
            std::unique_ptr<ProgressUi> base;
        };
        return std::make_unique<Progress>(*this, ScriptedHost::OpenProgress(title));
    }
    bool cancelled = false;
    std::function<void()> onPump;
};

// Runs work as a task under host's progress dialog; its result.
inline int RunUnderProgress(Host& host, std::function<int(LProgressTask&)> work) {
    FunctionTask task("test", std::move(work));
    RunTask(host, task);
    return task.Result();
}

}  // namespace sv::test
