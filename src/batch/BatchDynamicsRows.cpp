// The batch rows of the dynamics effects: automatic gain control (10), the noise gate (11), the
// range compressor (15) and vocal reduction (19), through the dialog-free entries their menu
// commands run. A build without those entries reports the row as failed rather than pass the
// sound through unchanged as if it had run.
#include "batch/BatchRowRun.h"

#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"

#if __has_include("effects/DynamicsEntries.h")
#define SONVELA_HAS_DYNAMICS 1
#include "effects/DynamicsEntries.h"
#endif

namespace sv {

int RunDynamicsBatchRow(Workspace& ws, LAudioDocument& doc, std::uint32_t row, const BatchParams& p,
                        std::string& error) {
#ifdef SONVELA_HAS_DYNAMICS
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
#else
    (void)ws;
    (void)doc;
    (void)p;
    error = BatchRowName(row) + " : cet effet n'est pas disponible dans cette version de Sonvela.";
    return kTaskFailed;
#endif
}

}  // namespace sv
