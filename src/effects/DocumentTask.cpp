#include "effects/DocumentTask.h"

#include "core/AudioDocument.h"

namespace sv {

Ref<LBlockWriter> LDocumentTask::NewWriter(LAudioData& target) {
    return LBlockWriter::Create(store_, target, doc_.sound.sampleRate, doc_.sound.channels);
}

bool LDocumentTask::FinishWriter(LBlockWriter& writer) {
    if (writer.Finish() && !writer.error) return true;
    Error(writer.errorText.empty() ? std::string("Impossible d'écrire le son") : writer.errorText);
    return false;
}

}  // namespace sv
