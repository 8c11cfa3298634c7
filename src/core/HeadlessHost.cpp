#include "core/HeadlessHost.h"

namespace sv {

namespace {

class HeadlessProgress : public ProgressUi {
public:
    HeadlessProgress(HeadlessHost& host, std::string title) : host_(host), title_(std::move(title)) {}
    void SetText(int, const std::string&) override {}
    void SetPercent(int) override {}
    bool Pump() override { return false; }
    void Error(const std::string& text) override { host_.MessageBox(text, "Erreur", MsgIcon::Warning, MsgButtons::Ok); }

private:
    HeadlessHost& host_;
    std::string title_;
};

}  // namespace

void HeadlessHost::Write(const std::string& caption, const std::string& text) {
    ++messages_;
    std::string line = "sonvela: ";
    if (!caption.empty()) line += caption + ": ";
    line += text;
    // One line per message, whatever line breaks the text carries.
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

MsgAnswer HeadlessHost::MessageBox(const std::string& text, const std::string& caption, MsgIcon, MsgButtons buttons) {
    Write(caption, text);
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes : MsgAnswer::Ok;
}

bool HeadlessHost::RunDialog(DialogSpec& spec) {
    if (spec.validate) {
        if (std::optional<DialogRefusal> refusal = spec.validate(spec)) {
            Write(refusal->caption, refusal->text);
            return false;
        }
    }
    return true;
}

std::optional<std::string> HeadlessHost::InputBox(const std::string&, const std::string&, const std::string& initial) {
    return initial;
}

std::vector<std::string> HeadlessHost::PickOpenFiles(const std::string&, const std::string&,
                                                     const std::vector<FileFilter>&, bool) {
    return {};
}

std::optional<std::string> HeadlessHost::PickSaveFile(const std::string&, const std::string&, const std::string&,
                                                      const std::vector<FileFilter>&) {
    return std::nullopt;
}

std::optional<std::string> HeadlessHost::PickFolder(const std::string&, const std::string&) { return std::nullopt; }

std::unique_ptr<ProgressUi> HeadlessHost::OpenProgress(const std::string& title) {
    return std::make_unique<HeadlessProgress>(*this, title);
}

}  // namespace sv
