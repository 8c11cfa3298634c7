#include "analysis/SpectrumGeometry.h"

#include "analysis/FrequencySpectrum.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {
const double kLn16 = std::log(16.0);
constexpr double kMinBinRange = 16.0;
}  // namespace

double SpectrumGeometry::BinAt(int x) const {
    const double t = width_ > 1 ? static_cast<double>(x) / (width_ - 1) : 0.0;
    const double bin = (std::exp(t * kLn16) - 1.0) / 15.0 * binRange_ + firstBin_;
    return std::min(bin, static_cast<double>(kSpectrumBins - 1));
}

double SpectrumGeometry::XOfBin(double bin) const {
    const double u = (bin - firstBin_) / binRange_ * 15.0 + 1.0;
    if (u <= 0.0) return -1.0;
    return std::log(u) / kLn16 * (width_ - 1);
}

int SpectrumGeometry::DbAt(int y) const {
    const double f = height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0.0;
    return static_cast<int>(std::lround(topDb_ - f * (topDb_ - bottomDb_)));
}

double SpectrumGeometry::YOfDb(double db) const {
    return (topDb_ - db) / static_cast<double>(topDb_ - bottomDb_) * (height_ - 1);
}

void SpectrumGeometry::ZoomFrequency(double factor, int x) {
    if (factor <= 0.0) return;
    const double pivot = BinAt(x);
    const double t = width_ > 1 ? static_cast<double>(x) / (width_ - 1) : 0.0;
    const double warp = (std::exp(t * kLn16) - 1.0) / 15.0;
    binRange_ = std::clamp(binRange_ / factor, kMinBinRange, static_cast<double>(kSpectrumBins));
    firstBin_ = pivot - warp * binRange_;
    Clamp();
}

void SpectrumGeometry::ScrollFrequency(double fraction) {
    firstBin_ += fraction * binRange_;
    Clamp();
}

void SpectrumGeometry::ScrollLevel(int db) {
    const int span = topDb_ - bottomDb_;
    topDb_ = std::clamp(topDb_ + db, -127 + span, 127);
    bottomDb_ = topDb_ - span;
}

void SpectrumGeometry::ResetView() {
    firstBin_ = 0.0;
    binRange_ = kSpectrumBins;
    topDb_ = 0;
    bottomDb_ = -127;
}

void SpectrumGeometry::Clamp() {
    firstBin_ = std::clamp(firstBin_, 0.0, static_cast<double>(kSpectrumBins) - binRange_);
}

std::vector<int> SpectrumGeometry::FrequencyTicks(std::int32_t sampleRate) const {
    std::vector<int> ticks;
    if (sampleRate <= 0) return ticks;
    const double hzPerBin = static_cast<double>(sampleRate) / kSpectrumPoints;
    const double lowHz = firstBin_ * hzPerBin, highHz = (firstBin_ + binRange_) * hzPerBin;
    // 1-2-5 steps per decade; keep those at least 40 pixels from the previous one.
    double lastX = -1e9;
    for (double decade = 10.0; decade <= highHz * 10; decade *= 10) {
        for (int m : {1, 2, 5}) {
            const double hz = m * decade;
            if (hz < lowHz || hz > highHz) continue;
            const double x = XOfBin(hz / hzPerBin);
            if (x < 0 || x > width_ - 1 || x - lastX < 40) continue;
            ticks.push_back(static_cast<int>(hz));
            lastX = x;
        }
    }
    return ticks;
}

std::vector<int> SpectrumGeometry::LevelTicks() const {
    std::vector<int> ticks;
    const int step = height_ >= 260 ? 10 : 20;
    for (int db = 0; db >= bottomDb_; db -= step)
        if (db <= topDb_) ticks.push_back(db);
    for (int db = step; db <= topDb_; db += step) ticks.insert(ticks.begin(), db);
    return ticks;
}

}  // namespace sv
