#include "effects/Curve.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace sv {

LCurve FlatCurve() { return {{0, kUnityLevel}, {255, kUnityLevel}}; }

std::uint8_t PercentToLevel(double percent) {
    const double level = std::trunc(percent / 200.0 * 256.0);
    if (!(level > 0)) return 0;
    return static_cast<std::uint8_t>(std::min(level, 255.0));
}

int LevelToPercent(std::uint8_t level) { return static_cast<int>(std::lround(level * 200.0 / 256.0)); }

std::string CurveToText(const LCurve& curve) {
    std::string text;
    for (const LCurvePoint& p : curve) {
        if (!text.empty()) text += ' ';
        text += std::to_string(p.position) + ':' + std::to_string(p.level);
    }
    return text;
}

LCurve CurveFromText(const std::string& text) {
    LCurve curve;
    std::istringstream in(text);
    std::string piece;
    while (in >> piece) {
        const std::size_t colon = piece.find(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 >= piece.size()) continue;
        auto number = [](const std::string& s) {
            long v = 0;
            for (char c : s) {
                if (c < '0' || c > '9') return -1L;
                v = std::min(v * 10 + (c - '0'), 1000L);
            }
            return std::min(v, 255L);
        };
        const long p = number(piece.substr(0, colon)), l = number(piece.substr(colon + 1));
        if (p < 0 || l < 0) continue;
        curve.push_back({static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(l)});
    }
    NormalizeCurve(curve);
    return curve;
}

void NormalizeCurve(LCurve& curve) {
    if (curve.size() > kMaxCurvePoints) curve.resize(kMaxCurvePoints);
    for (std::size_t i = 1; i < curve.size(); ++i)
        curve[i].position = std::max(curve[i].position, curve[i - 1].position);
}

}  // namespace sv
