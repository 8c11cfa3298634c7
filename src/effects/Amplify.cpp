#include "effects/Amplify.h"

#include "core/AudioDocument.h"
#include "core/SegmentOps.h"
#include "effects/Normalize.h"

namespace sv {

bool AmplifyRange(LAudioData& sound, std::int32_t start, std::int32_t end, std::int32_t percent) {
    if (percent == 100 || end <= start) return false;
    ScaleRange(sound, start, end, percent);
    return true;
}

int LAmplifyTask::Work() {
    if (percent_ == 100 || doc_.selectionEnd <= doc_.selectionStart) return kTaskDone;
    if (!OpenEdit()) return kTaskFailed;
    AmplifyRange(doc_.sound, doc_.selectionStart, doc_.selectionEnd, percent_);
    return kTaskDone;
}

int LNormalizeTask::Work() {
    std::int64_t peak = 0;
    const int result = ScanPeak(*this, doc_.sound, doc_.selectionStart, doc_.selectionEnd, peak);
    if (result != kTaskDone || peak == 0) return result;
    const std::int32_t gain = NormalizeGain(level_, peak);
    if (gain == 100) return kTaskDone;
    if (!OpenEdit()) return kTaskFailed;
    AmplifyRange(doc_.sound, doc_.selectionStart, doc_.selectionEnd, gain);
    return kTaskDone;
}

}  // namespace sv
