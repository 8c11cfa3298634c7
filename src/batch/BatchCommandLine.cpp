#include "batch/BatchCommandLine.h"

#include "batch/BatchConversion.h"
#include "batch/BatchScript.h"
#include "core/HeadlessHost.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Paths.h"

#include <csignal>
#include <strings.h>
#include <sys/stat.h>

namespace sv {

namespace {

bool Is(const std::string& arg, const char* name) { return strcasecmp(arg.c_str(), name) == 0; }

volatile std::sig_atomic_t gInterrupted = 0;

void Interrupt(int) { gInterrupted = 1; }

// Ctrl+C at the terminal is the progress dialog's Cancel: the file at work is left whole (its
// new version is never put in place), the rest are reported as skipped.
class InterruptibleHost : public HeadlessHost {
public:
    using HeadlessHost::HeadlessHost;
    std::unique_ptr<ProgressUi> OpenProgress(const std::string& title) override {
        class Progress : public ProgressUi {
        public:
            explicit Progress(std::unique_ptr<ProgressUi> inner) : inner_(std::move(inner)) {}
            void SetText(int line, const std::string& text) override { inner_->SetText(line, text); }
            void SetPercent(int percent) override { inner_->SetPercent(percent); }
            bool Pump() override { return gInterrupted != 0 || inner_->Pump(); }
            void Error(const std::string& text) override { inner_->Error(text); }

        private:
            std::unique_ptr<ProgressUi> inner_;
        };
        return std::make_unique<Progress>(HeadlessHost::OpenProgress(title));
    }
};

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::optional<BatchCommandLine> ParseBatchCommandLine(const std::vector<std::string>& args,
                                                      const std::string& startDir) {
    auto absolute = [&](const std::string& p) { return (p.empty() || p[0] == '/') ? p : JoinPath(startDir, p); };
    // Only a batch that comes first is run this way; "-batch" with an empty script opens the
    // wizard in the editor instead.
    if (args.size() < 2 || !Is(args[0], "-batch") || args[1].empty()) return std::nullopt;
    std::size_t i = 0;
    BatchCommandLine cl;
    cl.script = absolute(args[i + 1]);
    for (i += 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (Is(arg, "-dest") || Is(arg, "-format")) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                cl.error = "sonvela : " + arg + " attend un argument.";
                return cl;
            }
            if (Is(arg, "-dest")) cl.dest = absolute(args[++i]);
            else cl.format = args[++i];
        } else if (!arg.empty()) {
            cl.files.push_back(absolute(arg));
        }
    }
    return cl;
}

int RunBatchCommandLine(const BatchCommandLine& cl, Settings& settings, BlockStore& blocks, std::FILE* out,
                        std::FILE* err) {
    auto refuse = [err](const std::string& text) {
        std::fprintf(err, "%s\n", text.c_str());
        return static_cast<int>(kBatchNotRun);
    };
    if (!cl.error.empty()) return refuse(cl.error);
    std::vector<LBatchEntry> commands;
    std::string error;
    if (!ReadBatchScript(cl.script, commands, &error)) return refuse(cl.script + " : " + error);
    if (cl.files.empty()) return refuse("sonvela : aucun fichier à convertir.");
    BatchOutputSettings output = ReadBatchOutputSettings(settings);
    if (!cl.format.empty()) {
        const int index = BatchFormatIndex(cl.format);
        if (index < 0) return refuse("sonvela : format de fichier inconnu \"" + cl.format + "\".");
        output.sameFormat = false;
        output.formatIndex = index;
    }
    if (!cl.dest.empty()) {
        output.sameFolder = false;
        output.folder = cl.dest;
    }
    if (!output.sameFolder) {
        if (output.folder.empty())
            return refuse("Répertoire de destination invalide. Veuillez sélectionner un répertoire dans lequel enregistrer.");
        if (!IsFolder(output.folder) && (!EnsureFolder(output.folder) || !IsFolder(output.folder)))
            return refuse("Incapable de créer le répertoire. (" + output.folder + ")");
    }
    InterruptibleHost host(err);
    ManualNotifier notifier;
    Workspace ws(host, settings, blocks, notifier);
    LBatchConversion batch(ws, cl.files, std::move(commands), output);
    batch.fileDone = [out](const BatchFileReport& report) {
        std::fprintf(out, "%s\n", BatchReportLine(report).c_str());
        std::fflush(out);
    };
    gInterrupted = 0;
    auto oldInt = std::signal(SIGINT, Interrupt);
    auto oldTerm = std::signal(SIGTERM, Interrupt);
    RunTask(host, batch);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    std::fprintf(out, "%s\n", BatchSummaryLine(batch).c_str());
    return batch.Count(BatchFileStatus::Done) == static_cast<int>(batch.Reports().size()) ? kBatchAllDone
                                                                                          : kBatchSomeFailed;
}

}  // namespace sv
