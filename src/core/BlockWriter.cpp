#include "core/BlockWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace sv {

namespace {
constexpr std::size_t kSampleBufferBytes = 256 * 1024;
constexpr std::size_t kPeakBufferBytes = 16 * 1024;
}

namespace {

// The largest and smallest sample of each channel of frames stereo frames, folded into hi[2]
// and lo[2].
void StereoExtremesPortable(const std::int32_t* src, std::int32_t frames, std::int32_t* hi, std::int32_t* lo) {
    std::int32_t hi0 = hi[0], lo0 = lo[0], hi1 = hi[1], lo1 = lo[1];
    for (std::int32_t k = 0; k < frames; ++k) {
        hi0 = std::max(hi0, src[2 * k]);
        lo0 = std::min(lo0, src[2 * k]);
        hi1 = std::max(hi1, src[2 * k + 1]);
        lo1 = std::min(lo1, src[2 * k + 1]);
    }
    hi[0] = hi0;
    lo[0] = lo0;
    hi[1] = hi1;
    lo[1] = lo1;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Four frames per vector: even lanes hold channel 0, odd lanes channel 1.
__attribute__((target("avx2"))) void StereoExtremesAvx2(const std::int32_t* src, std::int32_t frames,
                                                         std::int32_t* hi, std::int32_t* lo) {
    __m256i h = _mm256_set_epi32(hi[1], hi[0], hi[1], hi[0], hi[1], hi[0], hi[1], hi[0]);
    __m256i l = _mm256_set_epi32(lo[1], lo[0], lo[1], lo[0], lo[1], lo[0], lo[1], lo[0]);
    std::int32_t k = 0;
    for (; k + 4 <= frames; k += 4) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 2 * static_cast<std::ptrdiff_t>(k)));
        h = _mm256_max_epi32(h, x);
        l = _mm256_min_epi32(l, x);
    }
    alignas(32) std::int32_t hv[8], lv[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(hv), h);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lv), l);
    for (int c = 0; c < 2; ++c) {
        hi[c] = std::max(std::max(hv[c], hv[c + 2]), std::max(hv[c + 4], hv[c + 6]));
        lo[c] = std::min(std::min(lv[c], lv[c + 2]), std::min(lv[c + 4], lv[c + 6]));
    }
    StereoExtremesPortable(src + 2 * static_cast<std::ptrdiff_t>(k), frames - k, hi, lo);
}
#endif

void StereoExtremes(const std::int32_t* src, std::int32_t frames, std::int32_t* hi, std::int32_t* lo) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        StereoExtremesAvx2(src, frames, hi, lo);
        return;
    }
#endif
    StereoExtremesPortable(src, frames, hi, lo);
}

}  // namespace

std::uint8_t PeakByte(std::int32_t magnitude) {
    std::int32_t v = magnitude >> 11;
    if (v > 255) return 255;
    if (v < 0) return 0;
    return static_cast<std::uint8_t>(v);
}

Ref<LBlockWriter> LBlockWriter::Create(BlockStore& store, LAudioData& target, std::int32_t sampleRate,
                                       std::uint8_t channelCount) {
    return Ref<LBlockWriter>(new LBlockWriter(store, target, sampleRate, channelCount));
}

LBlockWriter::LBlockWriter(BlockStore& store, LAudioData& target, std::int32_t rate, std::uint8_t channelCount)
    : store_(store), target_(&target) {
    sampleRate = rate;
    // Blocks keep every internal sample: nothing is limited on the way into a document.
    lowestSample = INT32_MIN;
    highestSample = INT32_MAX;
    channels = channelCount;
    if (channels == 0) {
        channels = 1;
        Fail("Nombre de canaux invalide.");
    }
    bytesPerFrame_ = channels * 4;
    maxima_.assign(channels, 0);
    minima_.assign(channels, 0);
    segment_.block = store_.Allocate();
    if (segment_.block == kSilentBlock) {
        Fail("Impossible de créer un nouveau bloc audio : tous les numéros de bloc sont utilisés. "
             "Fermez des fichiers ou videz l'historique d'annulation puis réessayez.");
        return;
    }
    ownsBlock_ = true;
    int err = 0;
    sampleFile_ = UniqueFd::CreateExclusive(store_.SampleFilePath(segment_.block), &err);
    if (!sampleFile_.valid()) {
        FailWithErrno("créer", err);
        return;
    }
    peakFile_ = UniqueFd::CreateExclusive(store_.PeakFilePath(segment_.block), &err);
    if (!peakFile_.valid()) {
        FailWithErrno("créer", err);
        return;
    }
    sampleBuffer_.reserve(kSampleBufferBytes);
}

LBlockWriter::~LBlockWriter() {
    Finish();
    if (ownsBlock_) store_.Release(segment_.block);
}

void LBlockWriter::FailWithErrno(const char* what, int err) {
    std::string reason = err == ENOSPC ? std::string("le disque est plein") : std::string(std::strerror(err));
    Fail("Impossible de " + std::string(what) + " le fichier temporaire du bloc audio " +
         std::to_string(segment_.block) + " dans \"" + store_.WorkingFolder() + "\" : " + reason + ".");
}

void LBlockWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    if (framesWritten > INT_MAX - frames) {
        Fail("Le son a atteint la longueur maximale qu'un document peut contenir.");
        return;
    }
    framesWritten += frames;
    if (error) return;
    const char* bytes = reinterpret_cast<const char*>(src);
    std::size_t len = static_cast<std::size_t>(frames) * static_cast<std::size_t>(bytesPerFrame_);
    if (sampleBuffer_.size() + len > kSampleBufferBytes) {
        if (!FlushSamples()) return;
    }
    // Large writes go straight to the file; the buffer only gathers small ones. (Handing them
    // to a thread gains little here: the copy it needs and the cache lines moving between the
    // cores cost about what the caller would have done meanwhile.)
    if (len >= kSampleBufferBytes / 8) {
        if (!FlushSamples()) return;
        if (!WriteAll(sampleFile_.get(), bytes, len)) {
            FailWithErrno("écrire", errno);
            return;
        }
    } else {
        sampleBuffer_.insert(sampleBuffer_.end(), bytes, bytes + len);
    }
    AccumulatePeaks(src, frames);
    if (peakBuffer_.size() >= kPeakBufferBytes) FlushPeaks();
}

void LBlockWriter::Reserve(std::int64_t frames) {
    constexpr std::int64_t kWorthBytes = 4 << 20;
    if (error || framesWritten != 0 || reservedBytes_ != 0 || frames <= 0) return;
    const std::int64_t bytes = std::min<std::int64_t>(frames, INT_MAX) * bytesPerFrame_;
    if (bytes < kWorthBytes) return;
    // Only a help: a filesystem without it, or too little room, is left to the writes to tell.
    // A failure may still have set part of the space aside, which Finish gives back.
    reservedBytes_ = bytes;
    (void)::fallocate(sampleFile_.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes));
}

void LBlockWriter::AccumulatePeaks(const std::int32_t* src, std::int32_t frames) {
    const int ch = channels;
    while (frames > 0) {
        std::int32_t take = std::min<std::int32_t>(frames, kPeakGroupFrames - static_cast<std::int32_t>(groupCount_));
        if (ch == 2) {
            StereoExtremes(src, take, maxima_.data(), minima_.data());
        } else {
            for (int c = 0; c < ch; ++c) {
                std::int32_t hi = maxima_[c], lo = minima_[c];
                const std::int32_t* p = src + c;
                for (std::int32_t k = 0; k < take; ++k, p += ch) {
                    hi = std::max(hi, *p);
                    lo = std::min(lo, *p);
                }
                maxima_[c] = hi;
                minima_[c] = lo;
            }
        }
        groupCount_ += static_cast<std::uint32_t>(take);
        if (groupCount_ == static_cast<std::uint32_t>(kPeakGroupFrames)) FlushGroup();
        src += static_cast<std::ptrdiff_t>(take) * ch;
        frames -= take;
    }
}

void LBlockWriter::FlushGroup() {
    for (int c = 0; c < channels; ++c) {
        peakBuffer_.push_back(PeakByte(maxima_[c]));
        // The smallest sample may be INT_MIN; negate in 64 bits and cap like the maximum.
        std::int64_t negated = -static_cast<std::int64_t>(minima_[c]);
        peakBuffer_.push_back(PeakByte(static_cast<std::int32_t>(std::min<std::int64_t>(negated, INT_MAX))));
        maxima_[c] = 0;
        minima_[c] = 0;
    }
    groupCount_ = 0;
}

bool LBlockWriter::FlushSamples() {
    if (error) return false;
    if (!sampleBuffer_.empty()) {
        if (!WriteAll(sampleFile_.get(), sampleBuffer_.data(), sampleBuffer_.size())) {
            FailWithErrno("écrire", errno);
            return false;
        }
        sampleBuffer_.clear();
    }
    return true;
}

bool LBlockWriter::FlushPeaks() {
    if (error) return false;
    if (!peakBuffer_.empty()) {
        if (!WriteAll(peakFile_.get(), peakBuffer_.data(), peakBuffer_.size())) {
            FailWithErrno("écrire", errno);
            return false;
        }
        peakBuffer_.clear();
    }
    return true;
}

bool LBlockWriter::FlushBuffers() { return FlushSamples() && FlushPeaks(); }

void LBlockWriter::Truncate(std::int32_t frame) {
    if (frame < 0) frame = 0;
    framesWritten = frame;
    if (error || !FlushBuffers()) return;
    off_t sampleAt = static_cast<off_t>(frame) * bytesPerFrame_;
    off_t peakAt = static_cast<off_t>(frame / kPeakGroupFrames) * channels * 2;
    if (::lseek(sampleFile_.get(), sampleAt, SEEK_SET) < 0 || ::lseek(peakFile_.get(), peakAt, SEEK_SET) < 0) {
        FailWithErrno("écrire", errno);
        return;
    }
    std::fill(maxima_.begin(), maxima_.end(), 0);
    std::fill(minima_.begin(), minima_.end(), 0);
    groupCount_ = static_cast<std::uint32_t>(frame % kPeakGroupFrames);
}

bool LBlockWriter::DoFinish() {
    if (!error && groupCount_ > 0) FlushGroup();
    FlushBuffers();
    segment_.frames = framesWritten;
    // Space set aside beyond the samples is given back.
    const std::int64_t used = static_cast<std::int64_t>(framesWritten) * bytesPerFrame_;
    if (!error && reservedBytes_ > used && ::ftruncate(sampleFile_.get(), static_cast<off_t>(used)) != 0)
        FailWithErrno("écrire", errno);
    if (sampleFile_.valid() && !sampleFile_.Reset()) FailWithErrno("écrire", errno);
    if (peakFile_.valid() && !peakFile_.Reset()) FailWithErrno("écrire", errno);
    if (error) return false;
    target_->Free();
    target_->AppendSegment(segment_, &store_);
    target_->sampleRate = sampleRate;
    target_->channels = channels;
    return true;
}

}  // namespace sv
