#include "effects/DocumentTask.h"

#include "core/AudioDocument.h"
#include "core/SegmentOps.h"
#include "effects/Filter.h"

#include <algorithm>
#include <vector>

namespace sv {

Ref<LBlockWriter> LDocumentTask::NewWriter(LAudioData& target) {
    return LBlockWriter::Create(store_, target, doc_.sound.sampleRate, doc_.sound.channels);
}

int LDocumentTask::ReplaceWithChain(Ref<LAudioReader> chain, std::int32_t frames, std::int32_t start,
                                    std::int32_t end) {
    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    Ref<LBlockWriter> writer = NewWriter(result);
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * doc_.sound.channels);
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, frames - done);
        chain->Read(buffer.data(), n);
        // A stage that failed mid-run (a plug-in refusing a block) ends the task; the document
        // and its undo ring stay as they were.
        if (FailedStage(*chain)) {
            Error(ChainFailureText(*chain));
            return kTaskFailed;
        }
        writer->Write(buffer.data(), n);
        done += n;
        SetProgress(static_cast<double>(done) / frames);
        if (Pump()) return kTaskCancelled;
        if (writer->error) break;
    }
    chain = nullptr;
    return Commit(*writer, result, start, end);
}

int LDocumentTask::Commit(LBlockWriter& writer, const LAudioData& result, std::int32_t start, std::int32_t end) {
    if (!FinishWriter(writer)) return kTaskFailed;
    if (!OpenEdit()) return kTaskFailed;
    ReplaceRange(doc_.sound, start, end, result);
    return kTaskDone;
}

bool LDocumentTask::FinishWriter(LBlockWriter& writer) {
    if (writer.Finish() && !writer.error) return true;
    Error(writer.errorText.empty() ? std::string("Impossible d'écrire le son") : writer.errorText);
    return false;
}

}  // namespace sv
