// The batch rows of the dynamics effects: automatic gain control (10), the noise gate (11), the
// range compressor (15) and vocal reduction (19), through the dialog-free entries their menu
// commands run.
#include "batch/BatchRowRun.h"

#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"

#include "effects/DynamicsEntries.h"

namespace sv {

int RunDynamicsBatchRow(Workspace& ws, LAudioDocument& doc, std::uint32_t row, const BatchParams& p,
                        std::string& error) {
    BlockStore& store = ws.blocks();
    LEffectProcess process;
    switch (row) {
        case kRowAutoGain: process = AutoGainProcess(doc, store); break;
        case kRowNoiseGate: process = NoiseGateProcess(doc, store, p.a); break;
        case kRowCompressor: {
            CompressorSettings s;
            s.threshold = p.a;
            s.ratio = p.b;
            s.limit = p.c;
            process = CompressorProcess(doc, store, s);
            break;
        }
        case kRowVocal: process = VocalReductionProcess(doc, store); break;
        default: break;
    }
    if (!process.task) {
        error = BatchRowName(row) + " a échoué.";
        return kTaskFailed;
    }
    RunTask(ws.host(), *process.task);
    return process.task->Result();
}

}  // namespace sv
