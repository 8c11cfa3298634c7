#include "support/ScriptedHost.h"

namespace sv::test {

namespace {

class ScriptedProgress : public ProgressUi {
public:
    explicit ScriptedProgress(ScriptedHost& host) : host_(host) {}
    void SetText(int line, const std::string& text) override {
        host_.progressTexts.push_back(std::to_string(line) + ":" + text);
    }
    void SetPercent(int percent) override { host_.progressPercents.push_back(percent); }
    bool Pump() override {
        ++pumps_;
        return host_.cancelAtPump != 0 && pumps_ >= host_.cancelAtPump;
    }
    void Error(const std::string& text) override {
        host_.progressErrors.push_back(text);
        host_.messages.push_back({text, "Erreur", MsgIcon::Warning, MsgButtons::Ok});
    }

private:
    ScriptedHost& host_;
    int pumps_ = 0;
};

template <class T>
T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T v = std::move(queue.front());
    queue.pop_front();
    return v;
}

}  // namespace

MsgAnswer ScriptedHost::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                   MsgButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    MsgAnswer fallback = (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel) ? MsgAnswer::Yes
                                                                                                : MsgAnswer::Ok;
    return Next(answers, fallback);
}

bool ScriptedHost::RunDialog(DialogSpec& spec) {
    shownDialogs.push_back(spec);
    while (!dialogs.empty()) {
        DialogAnswer a = std::move(dialogs.front());
        dialogs.pop_front();
        if (!a.ok) return false;
        DialogSpec attempt = spec;
        if (a.preset >= 0) attempt.ApplyPreset(static_cast<std::size_t>(a.preset));
        for (const std::string& button : a.presses) attempt.Press(button);
        for (const auto& [id, value] : a.values) attempt.Change(id, value);
        if (attempt.TryAccept(*this)) {
            spec = std::move(attempt);
            return true;
        }
    }
    return false;
}

std::optional<std::string> ScriptedHost::InputBox(const std::string& caption, const std::string&,
                                                  const std::string&) {
    messages.push_back({"", caption, MsgIcon::None, MsgButtons::OkCancel});
    return Next(inputs, std::optional<std::string>());
}

std::vector<std::string> ScriptedHost::PickOpenFiles(const std::string&, const std::string&,
                                                     const std::vector<FileFilter>&, bool) {
    return Next(openPicks, std::vector<std::string>());
}

std::optional<std::string> ScriptedHost::PickSaveFile(const std::string&, const std::string&, const std::string&,
                                                      const std::vector<FileFilter>&) {
    return Next(savePicks, std::optional<std::string>());
}

std::optional<std::string> ScriptedHost::PickFolder(const std::string&, const std::string&) {
    return Next(folderPicks, std::optional<std::string>());
}

std::unique_ptr<ProgressUi> ScriptedHost::OpenProgress(const std::string& title) {
    progressTitles.push_back(title);
    return std::make_unique<ScriptedProgress>(*this);
}

}  // namespace sv::test
