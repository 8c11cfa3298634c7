#include "formats/WavReader.h"

#include "formats/AcmWavReader.h"
#include "formats/ByteOrder.h"
#include "formats/FixedFrameRead.h"
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

}  // namespace

Ref<LAudioReader> OpenWavReader(const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return Ref<LAudioReader>(new LErrorReader(kReaderCannotOpen));
    Ref<LAudioReader> corrupt(new LErrorReader(kReaderCorrupt));
    bool rf64 = false;
    if (!FindWaveHeader(file, &rf64)) return corrupt;

    // Up to the data chunk: the ds64 sizes (RF64), the fmt chunk and the frame count of "fact".
    Ds64 ds64;
    WAVEFORMATEX format;
    bool haveFormat = false;
    std::int64_t factFrames = -1;
    ChunkHeader header;
    for (;;) {
        if (!ReadChunkHeader(file, header)) return corrupt;
        if (header.Is("data")) break;
        if (header.Is("ds64") && rf64) {
            if (!ReadDs64(file, header.size, ds64)) return corrupt;
        } else if (header.Is("fmt ") && !haveFormat) {
            if (header.size < kMinFmtSize || header.size > kMaxFmtSize) return corrupt;
            std::vector<std::uint8_t> fmtBytes(header.size);
            if (file.Read(fmtBytes.data(), fmtBytes.size()) != static_cast<long>(fmtBytes.size())) return corrupt;
            if ((header.size & 1) && !file.Skip(1)) return corrupt;
            WAVEFORMATEX::Parse(fmtBytes.data(), fmtBytes.size(), format);
            haveFormat = true;
        } else if (header.Is("fact") && header.size >= 4) {
            std::uint8_t count[4];
            if (file.Read(count, 4) != 4) return corrupt;
            factFrames = GetLe32(count);
            if (!SkipChunk(file, header.size - 4)) return corrupt;
        } else if (!SkipChunk(file, header.size)) {
            return corrupt;
        }
    }
    if (!haveFormat) return corrupt;

    // What the file holds, whatever the header claims: a recording cut short by a crash, or a
    // writer that never finished (0xFFFFFFFF), reads as the bytes that are there.
    const std::int64_t dataStart = file.Tell();
    const std::int64_t held = std::max<std::int64_t>(0, file.Size() - dataStart);
    std::int64_t dataBytes = BodySize(header, ds64);
    if (header.size == 0xFFFFFFFFu && dataBytes == 0xFFFFFFFFu) dataBytes = held;
    dataBytes = std::min(dataBytes, held);

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
    return Ref<LAudioReader>(new LAcmWavReader(std::move(file), format, dataBytes, factFrames));
}

LWavReader::LWavReader(BinaryFile file, int width, std::uint8_t channelCount, std::int32_t rate,
                       std::int64_t dataBytes)
    : file_(std::move(file)), width_(width) {
    sampleRate = rate;
    channels = channelCount;
    fullScale = kFullScale16;
    frameSize_ = width_ * channels;
    dataStart_ = file_.Tell();
    const std::int64_t bytes = std::max<std::int64_t>(0, dataBytes);
    frameCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(bytes / frameSize_, INT_MAX));
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(frameSize_));
}

void LWavReader::Read(std::int32_t* dst, std::int32_t frames) {
    ReadFixedFrames(file_, dataStart_, frameSize_, frameCount_, channels, position_, buffer_.data(), dst, frames,
                    [this](const std::uint8_t* bytes, std::size_t samples, std::int32_t* out) {
                        PcmToInternal(bytes, width_, samples, out);
                    });
}

}  // namespace sv
