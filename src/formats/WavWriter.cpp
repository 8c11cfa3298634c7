#include "formats/WavWriter.h"

#include "formats/AcmWavWriter.h"
#include "formats/ByteOrder.h"
#include "formats/SampleConvert.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace sv {

namespace {

std::string CannotWrite(const std::string& path) {
    std::string why = errno == ENOSPC ? "le disque est plein" : std::strerror(errno);
    return "Impossible d'écrire le fichier \"" + path + "\" : " + why + ".";
}

}  // namespace

Ref<LAudioWriter> CreateWavWriter(const std::string& path, const WAVEFORMATEX& format) {
    if (format.formatTag == kWaveFormatPcm) {
        auto channels = static_cast<std::uint8_t>(std::min<unsigned>(format.channels, 255));
        return Ref<LAudioWriter>(new LWavWriter(path, static_cast<std::int32_t>(format.samplesPerSec), channels,
                                                ContainerWidth(format.bitsPerSample)));
    }
    return Ref<LAudioWriter>(new LAcmWavWriter(path, format));
}

Ref<LAudioWriter> CreatePcmWavWriter(const std::string& path, std::int32_t rate, std::uint8_t channels,
                                     int bytesPerSample) {
    return Ref<LAudioWriter>(new LWavWriter(path, rate, channels, bytesPerSample));
}

LWavWriter::LWavWriter(const std::string& path, std::int32_t rate, std::uint8_t channelCount, int bytesPerSample)
    : path_(path), width_(std::max(1, std::min(bytesPerSample, 4))) {
    sampleRate = rate;
    channels = channelCount;
    if (channels == 0) {
        channels = 1;
        Fail("Nombre de canaux invalide.");
    }
    blockAlign_ = width_ * channels;
    // What each container holds under the conversion rules: 8-bit rounds to the nearest step,
    // 24- and 32-bit hold every internal sample of 20 bits.
    if (width_ == 1) {
        lowestSample = -128 * 4096 - 0x800;
        highestSample = 128 * 4096 - 0x800 - 1;
    } else if (width_ >= 3) {
        highestSample = 0x7FFFF;
    }
    if (!file_.Open(path, BinaryFile::Mode::ReadWriteCreate)) {
        Fail(CannotWrite(path));
        return;
    }
    if (!WriteHeader(0xFFFFFFFFu, 0xFFFFFFFFu) || !file_.Truncate(kPcmWavHeaderBytes)) {
        Fail(CannotWrite(path));
        return;
    }
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(blockAlign_));
}

LWavWriter::~LWavWriter() { Finish(); }

bool LWavWriter::WriteHeader(std::uint32_t dataBytes, std::uint32_t riffBytes) {
    std::uint8_t h[kPcmWavHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    PutLe32(h + 4, riffBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe32(h + 16, 18);
    PutLe16(h + 20, kWaveFormatPcm);
    PutLe16(h + 22, channels);
    PutLe32(h + 24, static_cast<std::uint32_t>(sampleRate));
    PutLe32(h + 28, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(blockAlign_));
    PutLe16(h + 32, static_cast<std::uint32_t>(blockAlign_));
    PutLe16(h + 34, static_cast<std::uint32_t>(width_ * 8));
    PutLe16(h + 36, 0);
    std::memcpy(h + 38, "data", 4);
    PutLe32(h + 42, dataBytes);
    return file_.Seek(0) && file_.Write(h, sizeof h);
}

void LWavWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    while (frames > 0) {
        std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        std::size_t samples = static_cast<std::size_t>(piece) * channels;
        InternalToPcm(src, width_, samples, buffer_.data());
        if (!file_.Write(buffer_.data(), static_cast<std::size_t>(piece) * static_cast<std::size_t>(blockAlign_))) {
            Fail(CannotWrite(path_));
            return;
        }
        src += samples;
        frames -= piece;
    }
}

void LWavWriter::Truncate(std::int32_t frame) {
    if (frame > framesWritten) return;
    framesWritten = std::max(frame, 0);
    if (error) return;
    std::int64_t end = kPcmWavHeaderBytes + static_cast<std::int64_t>(framesWritten) * blockAlign_;
    if (!file_.Truncate(end) || !file_.Seek(end)) Fail(CannotWrite(path_));
}

bool LWavWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    std::int64_t dataBytes = static_cast<std::int64_t>(framesWritten) * blockAlign_;
    // Past 4 GB the sizes cannot be told; 0xFFFFFFFF keeps "to the end of the file".
    bool fits = dataBytes + 38 < 0xFFFFFFFFLL;
    std::uint32_t data = fits ? static_cast<std::uint32_t>(dataBytes) : 0xFFFFFFFFu;
    std::uint32_t riff = fits ? static_cast<std::uint32_t>(dataBytes + 38) : 0xFFFFFFFFu;
    bool ok = error || WriteHeader(data, riff);
    if (!ok) Fail(CannotWrite(path_));
    if (!file_.Close() && !error) Fail(CannotWrite(path_));
    return !error;
}

}  // namespace sv
