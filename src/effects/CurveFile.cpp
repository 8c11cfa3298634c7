#include "effects/CurveFile.h"

#include "platform/Paths.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace sv {

namespace {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string folder = path.substr(0, path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/'));
    if (!folder.empty() && !EnsureFolder(folder)) return false;
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            RemoveFile(temp);
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        RemoveFile(temp);
        return false;
    }
    return true;
}

}  // namespace

std::string EqualizerCurvePath() { return JoinPath(ProductDataFolder(), "equalizer.dat"); }

std::string EnvelopeCurvePath() { return JoinPath(ProductDataFolder(), "envelope.dat"); }

LCurve ParseCurveBytes(const std::vector<std::uint8_t>& bytes) {
    LCurve curve;
    if (bytes.empty()) return curve;
    const std::size_t wanted = std::min<std::size_t>(bytes[0], kMaxCurvePoints);
    for (std::size_t i = 0; i < wanted && 2 + 2 * i < bytes.size(); ++i)
        curve.push_back({bytes[1 + 2 * i], bytes[2 + 2 * i]});
    NormalizeCurve(curve);
    return curve;
}

std::vector<std::uint8_t> CurveBytes(const LCurve& curve) {
    const std::size_t n = std::min(curve.size(), kMaxCurvePoints);
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(n)};
    for (std::size_t i = 0; i < n; ++i) {
        bytes.push_back(curve[i].position);
        bytes.push_back(curve[i].level);
    }
    return bytes;
}

LCurve ReadCurveFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    LCurve curve = ParseCurveBytes(bytes);
    if (curve.empty()) {
        curve = FlatCurve();
        WriteCurveFile(path, curve);
    }
    return curve;
}

bool WriteCurveFile(const std::string& path, const LCurve& curve) { return WriteBytes(path, CurveBytes(curve)); }

LCurve FlattenCurveFile(const std::string& path) {
    WriteBytes(path, {0});
    return ReadCurveFile(path);
}

}  // namespace sv
