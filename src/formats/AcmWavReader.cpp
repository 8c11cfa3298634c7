#include "formats/AcmWavReader.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

namespace {

std::int32_t SaturateFrames(std::int64_t v) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(INT_MIN, std::min<std::int64_t>(INT_MAX, v)));
}

}  // namespace

LAcmWavReader::LAcmWavReader(BinaryFile file, const WAVEFORMATEX& format, std::int64_t dataBytes,
                             std::int64_t factFrames)
    : file_(std::move(file)), format_(format) {
    sampleRate = static_cast<std::int32_t>(format.samplesPerSec);
    channels = static_cast<std::uint8_t>(std::max<unsigned>(1, std::min<unsigned>(format.channels, 255)));
    fullScale = kFullScale16;
    WAVEFORMATEX pcm = MakePcmFormat(format.samplesPerSec, format.channels, 16);
    stream_ = AcmStream::Open(format_, pcm, 0);
    if (!stream_) stream_ = AcmStream::Open(format_, pcm, kAcmOpenNonRealTime);
    if (!stream_) {
        errorCode = kReaderCodecMissing;
        return;
    }
    dataStart_ = file_.Tell();
    dataSize_ = std::max<std::int64_t>(0, dataBytes);
    // Whole blocks, at least one, about 8192 frames.
    std::size_t blockFrames = static_cast<std::size_t>(stream_->FramesPerBlock());
    std::size_t blocks = std::max<std::size_t>(1, kMaxFramesPerCall / blockFrames);
    decoded_.resize(blocks * stream_->DestinationBlockBytes());
    source_.resize(stream_->SourceSizeFor(decoded_.size()));
    // A count beyond what the blocks hold (a file cut short) or of zero with data present (a
    // writer that never finished) is not trusted.
    const std::int64_t blockBytes = static_cast<std::int64_t>(stream_->SourceBlockBytes());
    const std::int64_t most = (dataSize_ + blockBytes - 1) / blockBytes * stream_->FramesPerBlock();
    if (factFrames > 0 || (factFrames == 0 && dataSize_ == 0)) factFrames_ = std::min(factFrames, most);
}

std::int32_t LAcmWavReader::Length() const {
    if (factFrames_ >= 0) return SaturateFrames(factFrames_);
    if (finalLength_ >= 0) return SaturateFrames(finalLength_);
    if (!stream_) return 0;
    std::int64_t blocks = dataSize_ / static_cast<std::int64_t>(stream_->SourceBlockBytes());
    return SaturateFrames(blocks * stream_->FramesPerBlock());
}

bool LAcmWavReader::Fill() {
    decodedFrames_ = decodedIndex_ = 0;
    if (exhausted_ || !stream_) return false;
    std::size_t space = source_.size() - sourceFill_;
    std::int64_t left = dataSize_ - fileOffset_;
    std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(space), std::max<std::int64_t>(left, 0)));
    if (want > 0) {
        long got = file_.ReadAt(dataStart_ + fileOffset_, source_.data() + sourceFill_, want);
        if (got < 0) got = 0;
        if (static_cast<std::size_t>(got) < want) dataSize_ = fileOffset_ + got;  // the file is shorter than declared
        fileOffset_ += got;
        sourceFill_ += static_cast<std::size_t>(got);
    }
    unsigned flags = kAcmConvertBlockAlign | (restart_ ? kAcmConvertStart : 0u);
    restart_ = false;
    AcmStream::Result r = stream_->Convert(source_.data(), sourceFill_, decoded_.data(), decoded_.size(), flags);
    if (r.destinationUsed == 0 && sourceFill_ < source_.size()) {
        AcmStream::Result last = stream_->Convert(source_.data() + r.sourceUsed, sourceFill_ - r.sourceUsed,
                                                  decoded_.data(), decoded_.size(), kAcmConvertEnd);
        r.sourceUsed += last.sourceUsed;
        r.destinationUsed = last.destinationUsed;
    }
    std::memmove(source_.data(), source_.data() + r.sourceUsed, sourceFill_ - r.sourceUsed);
    sourceFill_ -= r.sourceUsed;
    decodedFrames_ = static_cast<std::int32_t>(r.destinationUsed / (2u * channels));
    if (decodedFrames_ == 0) {
        exhausted_ = true;
        finalLength_ = nextFrame_;
        return false;
    }
    return true;
}

std::int32_t LAcmWavReader::TakeDecoded(std::int32_t* dst, std::int32_t frames) {
    std::int32_t n = std::min(frames, decodedFrames_ - decodedIndex_);
    if (dst) {
        const std::uint8_t* p = decoded_.data() + static_cast<std::size_t>(decodedIndex_) * channels * 2;
        std::size_t count = static_cast<std::size_t>(n) * channels;
        for (std::size_t i = 0; i < count; ++i, p += 2)
            dst[i] = static_cast<std::int32_t>(static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)))) * 16;
    }
    decodedIndex_ += n;
    nextFrame_ += n;
    return n;
}

void LAcmWavReader::Read(std::int32_t* dst, std::int32_t frames) {
    if (frames <= 0) return;
    std::int64_t start = position_;
    position_ = SaturateFrames(start + frames);
    std::int64_t lead = std::min<std::int64_t>(frames, std::max<std::int64_t>(0, -start));
    std::memset(dst, 0, static_cast<std::size_t>(lead) * channels * sizeof(std::int32_t));
    dst += static_cast<std::size_t>(lead) * channels;
    std::int32_t want = static_cast<std::int32_t>(frames - lead);
    std::int32_t silent = 0;  // beyond the fact chunk's count
    if (factFrames_ >= 0) {
        const std::int64_t real = std::max<std::int64_t>(0, factFrames_ - std::max<std::int64_t>(start, 0));
        if (real < want) {
            silent = want - static_cast<std::int32_t>(real);
            want = static_cast<std::int32_t>(real);
        }
    }
    while (skipFrames_ > 0) {
        if (decodedIndex_ == decodedFrames_ && !Fill()) break;
        skipFrames_ -= TakeDecoded(nullptr, static_cast<std::int32_t>(std::min<std::int64_t>(skipFrames_, INT_MAX)));
    }
    while (want > 0) {
        if (decodedIndex_ == decodedFrames_ && !Fill()) break;
        std::int32_t n = TakeDecoded(dst, want);
        dst += static_cast<std::size_t>(n) * channels;
        want -= n;
    }
    std::memset(dst, 0, static_cast<std::size_t>(want + silent) * channels * sizeof(std::int32_t));
}

void LAcmWavReader::Seek(std::int32_t f) {
    position_ = f;
    if (!stream_) return;
    restart_ = true;
    exhausted_ = false;
    sourceFill_ = 0;
    decodedFrames_ = decodedIndex_ = 0;
    skipFrames_ = 0;
    if (f <= 0) {
        fileOffset_ = 0;
        nextFrame_ = 0;
        return;
    }
    const std::int64_t blockBytes = static_cast<std::int64_t>(stream_->SourceBlockBytes());
    const std::int64_t blockFrames = stream_->FramesPerBlock();
    std::int64_t target = (f / blockFrames) * blockBytes;
    if (target >= dataSize_ - (dataSize_ % blockBytes)) {
        fileOffset_ = dataSize_;
        finalLength_ = (dataSize_ / blockBytes) * blockFrames;
        nextFrame_ = f;
        exhausted_ = true;
        return;
    }
    // Decoders that carry state from block to block settle within a couple of blocks.
    std::int64_t back = std::max<std::int64_t>(2 * blockBytes, 256);
    std::int64_t from = std::max<std::int64_t>(0, target - back);
    from -= from % blockBytes;
    fileOffset_ = from;
    nextFrame_ = from / blockBytes * blockFrames;
    skipFrames_ = f - nextFrame_;
}

}  // namespace sv
