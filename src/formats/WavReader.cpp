#include "formats/WavReader.h"

#include "formats/AcmWavReader.h"
#include "formats/RiffWalk.h"
#include "formats/SampleConvert.h"
#include "formats/WaveFormat.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

namespace {

constexpr std::uint32_t kMinFmtSize = 16;
constexpr std::uint32_t kMaxFmtSize = 8192;
constexpr std::uint32_t kMaxRate = 196000;

// Reads chunk headers until one with the given id; false at the end or on a corrupt size.
bool FindChunk(BinaryFile& file, const char* id, ChunkHeader& header) {
    while (ReadChunkHeader(file, header)) {
        if (header.Is(id)) return true;
        if (!SkipChunk(file, header.size)) return false;
    }
    return false;
}

}  // namespace

Ref<LAudioReader> OpenWavReader(const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return Ref<LAudioReader>(new LErrorReader(kReaderCannotOpen));
    Ref<LAudioReader> corrupt(new LErrorReader(kReaderCorrupt));
    if (!FindWaveHeader(file)) return corrupt;

    ChunkHeader header;
    if (!FindChunk(file, "fmt ", header)) return corrupt;
    if (header.size < kMinFmtSize || header.size > kMaxFmtSize) return corrupt;
    std::vector<std::uint8_t> fmtBytes(header.size);
    if (file.Read(fmtBytes.data(), fmtBytes.size()) != static_cast<long>(fmtBytes.size())) return corrupt;
    if ((header.size & 1) && !file.Skip(1)) return corrupt;
    WAVEFORMATEX format;
    WAVEFORMATEX::Parse(fmtBytes.data(), fmtBytes.size(), format);

    if (!FindChunk(file, "data", header)) return corrupt;
    std::uint32_t dataBytes = header.size;

    if (format.channels < 1 || format.channels > 255) return corrupt;
    if (format.samplesPerSec < 1 || format.samplesPerSec > kMaxRate) return corrupt;

    const auto channels = static_cast<std::uint8_t>(format.channels);
    const auto rate = static_cast<std::int32_t>(format.samplesPerSec);
    // Extensible PCM is plain PCM with a longer header; decoding it here keeps all its bits,
    // where the codec layer's 16-bit output would lose the low ones of 24- and 32-bit files.
    if (format.formatTag == kWaveFormatPcm || ExtensibleSubFormat(format) == kWaveFormatPcm) {
        return Ref<LAudioReader>(
            new LWavReader(std::move(file), ContainerWidth(format.bitsPerSample), channels, rate, dataBytes));
    }
    return Ref<LAudioReader>(new LAcmWavReader(std::move(file), format, dataBytes));
}

LWavReader::LWavReader(BinaryFile file, int width, std::uint8_t channelCount, std::int32_t rate,
                       std::uint32_t dataBytes)
    : file_(std::move(file)), width_(width) {
    sampleRate = rate;
    channels = channelCount;
    fullScale = kFullScale16;
    frameSize_ = width_ * channels;
    dataStart_ = file_.Tell();
    std::int64_t bytes = dataBytes;
    if (dataBytes == 0xFFFFFFFFu) bytes = std::max<std::int64_t>(0, file_.Size() - dataStart_);
    frameCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(bytes / frameSize_, INT_MAX));
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(frameSize_));
}

void LWavReader::Read(std::int32_t* dst, std::int32_t frames) {
    while (frames > 0) {
        std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        std::int64_t start = position_;
        std::int64_t end = start + piece;
        position_ = static_cast<std::int32_t>(std::min<std::int64_t>(end, INT_MAX));
        std::int32_t lead = 0;
        if (end <= 0) {
            lead = piece;
        } else if (start < 0) {
            lead = static_cast<std::int32_t>(-start);
            start = 0;
        }
        std::memset(dst, 0, static_cast<std::size_t>(lead) * channels * sizeof(std::int32_t));
        std::int32_t want = piece - lead;
        std::int32_t avail = static_cast<std::int32_t>(std::max<std::int64_t>(0, frameCount_ - start));
        std::int32_t toRead = std::min(want, avail);
        std::int32_t got = 0;
        if (toRead > 0) {
            long bytes = file_.ReadAt(dataStart_ + start * frameSize_, buffer_.data(),
                                      static_cast<std::size_t>(toRead) * static_cast<std::size_t>(frameSize_));
            if (bytes > 0) got = static_cast<std::int32_t>(bytes / frameSize_);
        }
        std::int32_t* out = dst + static_cast<std::size_t>(lead) * channels;
        PcmToInternal(buffer_.data(), width_, static_cast<std::size_t>(got) * channels, out);
        std::memset(out + static_cast<std::size_t>(got) * channels, 0,
                    static_cast<std::size_t>(want - got) * channels * sizeof(std::int32_t));
        dst += static_cast<std::size_t>(piece) * channels;
        frames -= piece;
    }
}

}  // namespace sv
