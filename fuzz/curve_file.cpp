// The curve file reader ("equalizer.dat", "envelope.dat") and the curve text of the dialogs over
// arbitrary bytes: what they read keeps the curve rules, writes back to the same curve, and
// makes a gain table and an envelope without fault.
#include "effects/CurveFile.h"
#include "effects/EqualizerTaps.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void CheckRules(const sv::LCurve& c) {
    if (c.size() > sv::kMaxCurvePoints) std::abort();
    for (std::size_t i = 1; i < c.size(); ++i)
        if (c[i].position < c[i - 1].position) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const sv::LCurve curve = sv::ParseCurveBytes(bytes);
    CheckRules(curve);
    if (sv::ParseCurveBytes(sv::CurveBytes(curve)) != curve) std::abort();
    const sv::LCurve text = sv::CurveFromText(std::string(data, data + size));
    CheckRules(text);
    if (sv::CurveFromText(sv::CurveToText(text)) != text) std::abort();
    if (!curve.empty()) {
        const std::int32_t rate = size > 0 ? 1000 + data[0] * 400 : 44100;
        sv::MakeGainTable(curve, rate);
    }
    return 0;
}
