#pragma once
// The conversion of many files under one progress dialog: for each file, load it into a
// working document, run the command list over all of it and save it where the plan says. The
// dialog shows the file and the command; its bar covers the whole batch; Cancel stops after
// the current step, leaving the file being worked on as it was. A file that cannot be loaded,
// processed or saved is reported and the batch goes on with the next.
#include "batch/BatchOutput.h"
#include "batch/BatchRows.h"
#include "core/ProgressTask.h"

#include <functional>
#include <string>
#include <vector>

namespace sv {

class Workspace;

enum class BatchFileStatus { Done, Failed, Skipped };

struct BatchFileReport {
    std::string source;
    std::string output;
    BatchFileStatus status = BatchFileStatus::Skipped;
    std::string reason;  // why it failed or was skipped
};

class LBatchConversion : public LProgressTask {
public:
    // ws supplies the settings, the block store and the Host whose messages the files' steps
    // would show; the conversion keeps those messages as the files' reasons instead.
    LBatchConversion(Workspace& ws, std::vector<std::string> files, std::vector<LBatchEntry> commands,
                     BatchOutputSettings output);

    // Called after each file, in order.
    std::function<void(const BatchFileReport&)> fileDone;
    // Wraps each file's save (the tests stand a full disk in here); null: the save as it is.
    std::function<int(const std::function<int()>& save)> aroundSave;

    const std::vector<BatchFileReport>& Reports() const { return reports_; }
    int Count(BatchFileStatus status) const;

protected:
    int Work() override;

private:
    class NestedHost;
    BatchFileReport ConvertOne(NestedHost& host, Workspace& inner, const BatchTarget& target, std::size_t index);
    void Report(BatchFileReport report);

    Workspace& ws_;
    std::vector<std::string> files_;
    std::vector<LBatchEntry> commands_;
    BatchOutputSettings output_;
    std::vector<BatchFileReport> reports_;
};

// The French line of a report ("Terminé : a.wav -> b.mp3", "Echec : a.wav (raison)").
std::string BatchReportLine(const BatchFileReport& report);
// The summary line ("3 fichiers convertis, 1 en échec, 0 ignoré").
std::string BatchSummaryLine(const LBatchConversion& batch);

}  // namespace sv
