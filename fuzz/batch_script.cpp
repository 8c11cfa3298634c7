// Any bytes read as a batch script: a list only when every entry is whole and within the
// dialogs' limits, nothing allocated for lengths the bytes do not hold, and a list that writes
// back to the same bytes.
#include "batch/BatchRows.h"
#include "batch/BatchScript.h"
#include "platform/Settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::vector<sv::LBatchEntry> list;
    const sv::ScriptParse r = sv::ParseBatchScript(bytes, list);
    if (r != sv::ScriptParse::Ok) {
        if (!list.empty()) std::abort();
        return 0;
    }
    if (sv::BatchScriptBytes(list) != bytes) std::abort();
    static sv::MemorySettingsScope scope;
    static sv::Settings settings(scope, nullptr);
    for (const sv::LBatchEntry& e : list) {
        if (e.row >= sv::kBatchRowCount || e.settings.size() > sv::kMaxBatchSettingsLength) std::abort();
        // Entries without enough bytes read the settings files; those are not the fuzzer's.
        if (e.settings.size() < sv::BatchSettingsSize(e.row)) continue;
        sv::BatchParams p = sv::ResolveBatchParams(e, settings);
        if (sv::CheckBatchParams(e.row, p)) std::abort();
        if (p.curve.size() > 64) std::abort();
        sv::BatchEntryText(e, settings);
    }
    return 0;
}
