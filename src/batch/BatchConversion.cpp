#include "batch/BatchConversion.h"

#include "batch/BatchRowRun.h"
#include "core/AudioDocument.h"
#include "core/Host.h"
#include "core/TagSet.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/TagFiles.h"
#include "platform/Paths.h"

namespace sv {

// The Host the files' own steps see: their progress dialogs become the batch's dialog (its bar
// mapped onto the current step's share, Cancel passed through), and their messages are kept as
// the file's reason rather than shown one after another to someone who may not be there.
class LBatchConversion::NestedHost : public Host {
public:
    explicit NestedHost(LProgressTask& outer) : outer_(outer) {}

    void SetSpan(double start, double width) {
        start_ = start;
        width_ = width;
        outer_.SetProgress(start);
    }
    void Keep(const std::string& text) {
        if (message_.empty()) message_ = text;
    }
    std::string TakeMessage() { return std::exchange(message_, std::string()); }

    MsgAnswer MessageBox(const std::string& text, const std::string&, MsgIcon, MsgButtons buttons) override {
        Keep(text);
        // Nobody is asked: the answer that changes nothing.
        switch (buttons) {
            case MsgButtons::Ok: return MsgAnswer::Ok;
            case MsgButtons::OkCancel: return MsgAnswer::Cancel;
            default: return MsgAnswer::No;
        }
    }
    bool RunDialog(DialogSpec&) override { return false; }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::string> PickOpenFiles(const std::string&, const std::string&, const std::vector<FileFilter>&,
                                           bool) override {
        return {};
    }
    std::optional<std::string> PickSaveFile(const std::string&, const std::string&, const std::string&,
                                            const std::vector<FileFilter>&) override {
        return std::nullopt;
    }
    std::optional<std::string> PickFolder(const std::string&, const std::string&) override { return std::nullopt; }

    std::unique_ptr<ProgressUi> OpenProgress(const std::string&) override {
        return std::make_unique<Forward>(*this);
    }

private:
    class Forward : public ProgressUi {
    public:
        explicit Forward(NestedHost& host) : host_(host) {}
        // The batch's two lines name the file and the command; a step's own texts stay out.
        void SetText(int, const std::string&) override {}
        void SetPercent(int percent) override {
            host_.outer_.SetProgress(host_.start_ + host_.width_ * percent / 100.0);
        }
        bool Pump() override { return host_.outer_.Pump(); }
        void Error(const std::string& text) override { host_.Keep(text); }

    private:
        NestedHost& host_;
    };

    LProgressTask& outer_;
    double start_ = 0, width_ = 0;
    std::string message_;
};

LBatchConversion::LBatchConversion(Workspace& ws, std::vector<std::string> files, std::vector<LBatchEntry> commands,
                                   BatchOutputSettings output)
    : LProgressTask("Convertisseur de Lot"),
      ws_(ws),
      files_(std::move(files)),
      commands_(std::move(commands)),
      output_(std::move(output)) {}

int LBatchConversion::Count(BatchFileStatus status) const {
    int n = 0;
    for (const auto& r : reports_) n += r.status == status;
    return n;
}

void LBatchConversion::Report(BatchFileReport report) {
    reports_.push_back(std::move(report));
    if (fileDone) fileDone(reports_.back());
}

int LBatchConversion::Work() {
    reports_.clear();
    NestedHost host(*this);
    Workspace inner(host, ws_.settings(), ws_.blocks(), ws_.notifier());
    const std::vector<BatchTarget> plan = PlanBatchOutputs(files_, output_);
    bool cancelled = false;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const BatchTarget& target = plan[i];
        if (cancelled) {
            Report({target.source, target.output, BatchFileStatus::Skipped, "Conversion annulée."});
            continue;
        }
        if (!target.refusal.empty()) {
            Report({target.source, target.output, BatchFileStatus::Failed, target.refusal});
            continue;
        }
        BatchFileReport report = ConvertOne(host, inner, target, i);
        cancelled = report.status == BatchFileStatus::Skipped;
        Report(std::move(report));
    }
    SetProgress(1.0);
    if (cancelled) return kTaskCancelled;
    return Count(BatchFileStatus::Failed) ? kTaskFailed : kTaskDone;
}

BatchFileReport LBatchConversion::ConvertOne(NestedHost& host, Workspace& inner, const BatchTarget& target,
                                             std::size_t index) {
    BatchFileReport report{target.source, target.output, BatchFileStatus::Failed, {}};
    const double steps = static_cast<double>(commands_.size() + 2);
    const double share = 1.0 / static_cast<double>(files_.size());
    auto step = [&](std::size_t n, const std::string& text) {
        SetText(1, text);
        host.SetSpan(share * (static_cast<double>(index) + static_cast<double>(n) / steps), share / steps);
    };
    // A step that did not finish: cancelled leaves the file skipped (nothing was saved), else
    // it failed, for the reason its own messages gave when there was one.
    auto stop = [&](int result, std::string why) {
        const std::string shown = host.TakeMessage();
        if (result == kTaskCancelled) return BatchFileReport{target.source, target.output, BatchFileStatus::Skipped,
                                                             "Conversion annulée."};
        report.reason = !shown.empty() ? shown : std::move(why);
        return report;
    };
    SetText(0, "Fichier " + std::to_string(index + 1) + "/" + std::to_string(files_.size()) + " : " +
                   FileNamePart(target.source));
    step(0, "Chargement du fichier " + target.source);
    host.TakeMessage();
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, target.source);
    bool askRaw = false, showErrors = true;
    int r = LoadFileIntoDocument(inner, *doc, target.source, &askRaw, &showErrors);
    if (r != kTaskDone) return stop(r, "Le fichier n'a pas pu être chargé.");
    doc->SelectAll();
    for (std::size_t c = 0; c < commands_.size(); ++c) {
        step(c + 1, BatchRowName(commands_[c].row));
        std::string why;
        r = RunBatchRow(inner, *doc, commands_[c], why);
        if (r != kTaskDone) return stop(r, why.empty() ? BatchRowName(commands_[c].row) + " a échoué." : why);
    }
    step(commands_.size() + 1, "Enregistrement de " + target.output);
    LTagSet tags;
    ReadTags(tags, target.source);
    SaveParameters params;
    params.path = target.output;
    params.sampleRate = doc->sound.sampleRate;
    params.channels = doc->sound.channels;
    params.tags = &tags;
    params.settings = &ws_.settings();
    const LAudioData& sound = doc->sound;
    FunctionTask save("Sonvela", [&](LProgressTask& t) { return SaveSoundAs(t, host, sound, params); });
    auto runSave = [&] {
        RunTask(host, save);
        return save.Result();
    };
    r = aroundSave ? aroundSave(runSave) : runSave();
    if (r != kTaskDone) return stop(r, "Le fichier \"" + target.output + "\" n'a pas pu être enregistré.");
    host.TakeMessage();
    report.status = BatchFileStatus::Done;
    return report;
}

std::string BatchReportLine(const BatchFileReport& r) {
    switch (r.status) {
        case BatchFileStatus::Done: return "Terminé : " + r.source + " -> " + r.output;
        case BatchFileStatus::Failed: return "Echec : " + r.source + " (" + r.reason + ")";
        case BatchFileStatus::Skipped: return "Ignoré : " + r.source + " (" + r.reason + ")";
    }
    return {};
}

std::string BatchSummaryLine(const LBatchConversion& batch) {
    return std::to_string(batch.Count(BatchFileStatus::Done)) + " fichier(s) converti(s), " +
           std::to_string(batch.Count(BatchFileStatus::Failed)) + " en échec, " +
           std::to_string(batch.Count(BatchFileStatus::Skipped)) + " ignoré(s).";
}

}  // namespace sv
