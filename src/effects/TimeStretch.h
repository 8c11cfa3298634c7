#pragma once
// LTimeStretch: changes the duration of its input by 1/factor and keeps its pitch, with a
// phase vocoder over short-time spectra.
//
// Each channel is cut into frames of N samples (N from the transform's size rule applied to
// rate / 16: 4,096 at 44,100 Hz) whose centres lie factor * H input frames apart (H = N / 16,
// the advance kept in millionths of a frame). A frame is windowed and analysed. The peaks of
// its magnitude spectrum take their true frequency from their phase change since the last
// frame (reduced to -pi..pi around the bin's own advance) and move their output phase on by
// that frequency times H; the bins around a peak turn with it, keeping the phase offsets of
// the analysis, so a steady tone stays one coherent partial instead of drifting bins. The
// frame is transformed back, windowed again and overlap-added every H output frames, scaled
// so that the two windows sum to one. Channels go through the transforms in pairs.
//
// Two stages: the analysis (reading the input, the forward transform, the peaks) runs on the
// thread that reads, up to kGrainsAhead frames ahead; the synthesis (the peaks' frequencies
// and new phases, the inverse transform, the overlap-add) runs on a worker thread of the
// filter's own when the process may use a second core. The peaks' arctangents are shared
// between the two, in the proportion that keeps either from waiting for the other. Each frame
// sees the same arithmetic in any arrangement, so the samples do not depend on it.
//
// Output frame m stands for input frame m * factor; Length() is the number of output frames
// standing for frames before the input's end, and Seek() takes output frames.
//
// Factors: 0 < factor < 8 as designed; factors of 8 up to 16 are processed the same way with
// sparser analysis frames (the pitch change at 10 % needs 10); larger factors are taken as
// 16. A factor of 0 or less (or NaN) has no duration to give: Create() then hands back the
// input unchanged, as it does for exactly 1.
#include "effects/Filter.h"
#include "effects/AlignedVector.h"
#include "effects/SpectralTransform.h"
#include "effects/StageCounter.h"
#include "effects/StretchKernels.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace sv {

// Where the synthesis runs: Auto gives it a worker thread when the process may run on two cores;
// Inline keeps everything on the reading thread (the player, whose thread runs at a priority
// a worker would not share).
enum class StretchThreads { Auto, Inline };

class LTimeStretch : public LFilter {
public:
    static constexpr double kMaxFactor = 16.0;
    // Frames larger than this are not worth their cost (rates above ~700 kHz).
    static constexpr std::uint32_t kMaxOrder = 16;
    static constexpr std::uint32_t kGrainsAhead = 8;

    static Ref<LAudioReader> Create(Ref<LAudioReader> input, double factor,
                                    StretchThreads threads = StretchThreads::Auto);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    std::uint32_t FrameSize() const { return size_; }
    std::uint32_t Hop() const { return hop_; }
    // The input frame output frame m stands for, and the first output frame standing for input
    // frame q or later.
    std::int64_t InputFrameFor(std::int64_t outputFrame) const;
    std::int64_t OutputFrameFor(std::int64_t inputFrame) const;

protected:
    ~LTimeStretch() override;

private:
    LTimeStretch(Ref<LAudioReader> input, double factor, StretchThreads threads);
    void Restart(std::int64_t outputPosition);
    void EnsureInput(std::int64_t start);

    // One channel of an analysed frame: its half spectrum and, unless it turns nothing
    // (the first frame after a restart, or no peak), its peaks with their regions and, for
    // each peak that turns, X * conj(last X) (cr, ci) and its angle (change), the latter
    // measured by the analysis for the first split of them, by the synthesis for the rest.
    struct ChannelFrame {
        AlignedVector<double> re, im;
        std::vector<std::uint32_t> peaks, regionEnd;
        std::vector<double> cr, ci, change;
        std::uint32_t count = 0;
        std::uint32_t split = 0;
    };
    // A frame between the two stages; out holds its hop_ finished output frames.
    struct Grain {
        std::vector<ChannelFrame> channel;
        bool first = false;
        std::int64_t hopIn = 0;  // input frames since the frame before
        std::int64_t readyTime = 0;
        std::vector<std::int32_t> out;
    };

    // Analysis stage: the reading thread's own state.
    struct AnalysisChannel {
        std::vector<double> lastRe, lastIm;  // the spectrum of the frame before
    };
    void Analyse(Grain& g);
    void AnalyseChannel(AnalysisChannel& c, ChannelFrame& f, bool first);

    // Synthesis stage: the worker's own state (or the reading thread's, inline).
    struct SynthesisChannel {
        std::vector<double> rate;          // phase advance per input frame (kept for peaks)
        std::vector<double> theta;         // output phase minus analysis phase, per bin
        std::vector<double> cosine, sine;  // of theta, per bin
        AlignedVector<double> overlap;     // N output samples being summed, a ring
    };
    void Synthesise(Grain& g);
    // Works out the turn of each bin of f; false when nothing turns.
    bool TurnChannel(SynthesisChannel& c, ChannelFrame& f, std::int64_t hopIn);
    static TurnedHalf HalfOf(const ChannelFrame& f, const SynthesisChannel* turned);
    void OverlapAdd(SynthesisChannel& c, const double* grain, std::uint32_t channel, std::int32_t* out);
    void SynthesisLoop();

    // The grain whose output comes next, analysed and synthesised.
    const Grain& NextGrain();
    Grain& Slot(std::int64_t grain) { return grains_[static_cast<std::size_t>(grain) % grains_.size()]; }

    std::unique_ptr<SpectralTransform> fft_;
    std::vector<double> window_;
    std::uint32_t size_ = 0;
    std::uint32_t hop_ = 0;
    std::int64_t advance_ = 0;  // input frames per hop, in millionths
    double outputScale_ = 1.0;

    std::vector<AnalysisChannel> analysis_;
    AlignedVector<double> aRe_, aIm_;  // the transforms' arrays, N each
    AlignedVector<double> power_;      // N/2
    std::vector<SynthesisChannel> synthesis_;
    AlignedVector<double> sRe_, sIm_;  // synthesis scratch, N each
    std::uint32_t overlapHead_ = 0;    // where each channel's overlap ring starts
    // Synthesis scratch, N/2 entries each: per peak its bin, rate and last turn; per region its
    // turn with the turn's cosine and sine.
    std::vector<double> turnBin_, turnRate_, lastTheta_;
    std::vector<double> regionTheta_, regionCos_, regionSin_;
    // The analysis measures analysisShare_ / kShareSteps of each frame's arctangents: one step
    // less whenever the worker had to wait for a frame (synthesisWaits_), one more whenever
    // the reading thread had to wait for the worker.
    static constexpr std::uint32_t kShareSteps = 64;
    std::uint32_t analysisShare_ = kShareSteps * 3 / 4;
    std::atomic<std::uint32_t> synthesisWaits_{0};

    // Interleaved input frames [bufStart_, bufStart_ + bufFrames_).
    std::vector<std::int32_t> buffer_;
    std::int64_t bufStart_ = 0;
    std::int64_t bufFrames_ = 0;
    std::int64_t bufCapacity_ = 0;
    std::int64_t inputNext_ = 0;
    std::int64_t lastStart_ = 0;

    // Grains are counted over the filter's life; grain i lives in Slot(i), one of up to
    // kGrainsAhead (one inline). analysed_ and synthesised_ count those handed over by each
    // stage, consumed_ those whose output has been read. Only the reading thread analyses and
    // consumes. A restart waits for the worker to catch up and drops what was not read.
    std::vector<Grain> grains_;
    std::int64_t restartGrain_ = 0;  // the first grain after the last restart
    std::int64_t restartFrame_ = 0;  // its frame index (frames lie hop_ output frames apart)
    StageCounter analysed_, synthesised_;
    std::int64_t consumed_ = 0;
    std::atomic<bool> stop_{false};
    std::thread worker_;
    bool threaded_ = false;

    std::uint32_t readyUsed_ = 0;  // frames of the next grain's output already consumed
    std::int64_t position_ = 0;
};

}  // namespace sv
