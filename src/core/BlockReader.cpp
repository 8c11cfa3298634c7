#include "core/BlockReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <unistd.h>

namespace sv {

Ref<LBlockReader> LBlockReader::Create(const LAudioData& sound) { return Ref<LBlockReader>(new LBlockReader(sound)); }

LBlockReader::LBlockReader(const LAudioData& sound) : sound_(sound) {
    sampleRate = sound.sampleRate;
    channels = sound.channels;
    fullScale = 2097152;
    if (sampleRate <= 0) {
        sampleRate = 44100;
        errorCode = kReaderCorrupt;
    }
    if (channels == 0) {
        channels = 1;
        errorCode = kReaderCorrupt;
    }
    length_ = sound_.Length();
}

void LBlockReader::OpenSegment(std::size_t index, std::int32_t skip) {
    const LSegment& seg = sound_.Segments()[index];
    framesLeft_ = seg.frames - skip;
    factor_ = seg.gain >> 15;
    if (seg.block != kSilentBlock && sound_.Store()) {
        sampleFile_ = UniqueFd::OpenSharedRead(sound_.Store()->SampleFilePath(seg.block));
        off_t at = (static_cast<off_t>(seg.offset) + skip) * channels * 4;
        if (sampleFile_.valid() && at > 0 && ::lseek(sampleFile_.get(), at, SEEK_SET) < 0) sampleFile_.Reset();
    }
    nextSegment_ = index + 1;
}

void LBlockReader::Read(std::int32_t* dst, std::int32_t n) {
    if (n <= 0) return;
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * 4;
    if (position_ < 0) {
        std::int32_t z = position_ < -n ? n : -position_;
        std::memset(dst, 0, static_cast<std::size_t>(z) * frameBytes);
        position_ += z;
        n -= z;
        dst += static_cast<std::ptrdiff_t>(z) * channels;
    }
    position_ = position_ > INT_MAX - n ? INT_MAX : position_ + n;
    const std::vector<LSegment>& segs = sound_.Segments();
    while (n > 0) {
        if (framesLeft_ <= 0) {
            sampleFile_.Reset();
            if (nextSegment_ >= segs.size()) {
                std::memset(dst, 0, static_cast<std::size_t>(n) * frameBytes);
                return;
            }
            OpenSegment(nextSegment_, 0);
            continue;
        }
        std::int32_t take = std::min(framesLeft_, n);
        std::size_t want = static_cast<std::size_t>(take) * frameBytes;
        if (sampleFile_.valid()) {
            long got = ReadFull(sampleFile_.get(), dst, want);
            if (got < 0) got = 0;
            // A sample file shorter than its segment reads as zeros from where it ends.
            if (static_cast<std::size_t>(got) < want) {
                std::memset(reinterpret_cast<char*>(dst) + got, 0, want - static_cast<std::size_t>(got));
            }
            if (factor_ != 512) {
                const std::size_t count = static_cast<std::size_t>(take) * channels;
                const std::int32_t f = factor_;
                for (std::size_t k = 0; k < count; ++k) {
                    // A 64-bit product saturated to the sample range: large gains clip
                    // instead of wrapping round into noise.
                    std::int64_t v = (static_cast<std::int64_t>(dst[k]) * f) >> 9;
                    dst[k] = static_cast<std::int32_t>(std::max<std::int64_t>(INT_MIN, std::min<std::int64_t>(INT_MAX, v)));
                }
            }
        } else {
            std::memset(dst, 0, want);
        }
        framesLeft_ -= take;
        n -= take;
        dst += static_cast<std::ptrdiff_t>(take) * channels;
    }
}

void LBlockReader::Seek(std::int32_t p) {
    sampleFile_.Reset();
    framesLeft_ = 0;
    position_ = p;
    nextSegment_ = 0;
    const std::vector<LSegment>& segs = sound_.Segments();
    if (p <= 0) return;
    std::size_t i = 0;
    while (i < segs.size() && p >= segs[i].frames) p -= segs[i++].frames;
    if (i >= segs.size()) {
        nextSegment_ = segs.size();
        return;
    }
    OpenSegment(i, p);
}

}  // namespace sv
