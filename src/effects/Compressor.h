#pragma once
// The range compressor ("Compresseur de Gamme Dynamique"). Each 45 ms window gets a gain from a
// table indexed by the window's level in whole decibels; the gain moves towards the next
// window's gain while the current one plays (one window of look-ahead), falling over 1.25
// windows and rising over two.
//
// The table is unity at 0 dB, multiplies by the ratio's factor k for every decibel from the
// threshold T up to the limit, by 0.8913 (-1 dB) for every decibel from the limit on, and keeps
// the gain of T below it (quiet passages are raised by k^T). Threshold, limit and ratio row are
// clamped to the dialog's ranges (-40..0 dB, 0..12 dB, rows 0..6) here, not only in the dialog,
// since batch scripts and settings reach the descriptor directly; a lower threshold would make
// the table run past 32 bits, so its entries saturate as well.
#include "effects/EffectDescriptor.h"
#include "effects/LookAheadFilter.h"

#include <array>
#include <string>

namespace sv {

constexpr int kCompressorRatios = 7;
constexpr std::int32_t kCompressorFullScale = 4194303;

// "1:1", "3:2", "2:1", "3:1", "4:1", "5:1", "Limit".
const char* CompressorRatioLabel(int row);
// 10^(-(1 - 1/ratio) / 20) for the row (clamped to 0..6); 0.8912509381337456 for "Limit".
double CompressorRatioFactor(int row);

struct CompressorSettings {
    int threshold = 0;  // dB, -40..0
    int ratio = 0;      // row, 0..6
    int limit = 0;      // dB, 0..12
    CompressorSettings Clamped() const;
};

// Gains in 24-bit fixed point for levels -128..127 (index level + 128).
using CompressorTable = std::array<std::int32_t, 256>;
CompressorTable MakeCompressorTable(const CompressorSettings& s);

// The level of frames interleaved frames: p = mean of (x >> 5)^2 over every sample;
// -127 when p = 0, else 10 log10(p / 8,388,626) rounded half away from zero, clamped to
// -127..127.
int BlockLevelDb(const std::int32_t* samples, std::size_t count);

class LCompressorFilter : public LLookAheadFilter {
public:
    LCompressorFilter(Ref<LAudioReader> input, const CompressorSettings& s);
    void Read(std::int32_t* dst, std::int32_t frames) override;
    const CompressorTable& Table() const { return table_; }

protected:
    void Analyse(const std::int32_t* window, bool first) override;
    void BeginWindow() override;
    void Render(const std::int32_t* in, std::int32_t offset, std::int32_t* out, std::int32_t frames) override;

private:
    CompressorTable table_;
    std::int64_t gain_ = kGainOne, step_ = 0;
    std::int64_t outTarget_ = kGainOne, nextTarget_ = kGainOne;
    static constexpr std::int64_t kGainOne = 16777216;
};

class LCompressorEffect final : public LEffectDescriptor {
public:
    explicit LCompressorEffect(const CompressorSettings& s) : s_(s.Clamped()) {}
    std::string GetName() const override { return "Compresseur de Gamme Dynamique"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    const CompressorSettings& Settings() const { return s_; }

private:
    CompressorSettings s_;
};

}  // namespace sv
