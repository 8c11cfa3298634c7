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
    if (!WriteHeader(-1) || !file_.Truncate(kPcmWavHeaderBytes)) {
        Fail(CannotWrite(path));
        return;
    }
    // The samples that follow are written by a thread of the file's own while the next are made.
    file_.WriteBehindOn();
}

LWavWriter::~LWavWriter() { Finish(); }

bool LWavWriter::WriteHeader(std::int64_t dataBytes) {
    WavFormSizes sizes;
    if (dataBytes >= 0) sizes = {headerBytes_ - 8 + dataBytes, dataBytes, dataBytes / blockAlign_};
    const bool room = headerBytes_ == kRf64WavHeaderBytes;
    const bool rf64 = room && IsRf64(sizes);
    std::vector<std::uint8_t> h = WavFormHead(room, sizes);
    const std::size_t at = h.size();
    h.resize(static_cast<std::size_t>(headerBytes_));
    std::uint8_t* p = &h[at];
    std::memcpy(p, "fmt ", 4);
    PutLe32(p + 4, 18);
    PutLe16(p + 8, kWaveFormatPcm);
    PutLe16(p + 10, channels);
    PutLe32(p + 12, static_cast<std::uint32_t>(sampleRate));
    PutLe32(p + 16, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(blockAlign_));
    PutLe16(p + 20, static_cast<std::uint32_t>(blockAlign_));
    PutLe16(p + 22, static_cast<std::uint32_t>(width_ * 8));
    PutLe16(p + 24, 0);
    std::memcpy(p + 26, "data", 4);
    PutLe32(p + 30, SizeField(dataBytes, rf64));
    return file_.Seek(0) && file_.Write(h.data(), h.size());
}

void LWavWriter::Reserve(std::int64_t frames) {
    if (error || framesWritten != 0 || frames <= 0) return;
    if (frames * blockAlign_ > Rf64Threshold() && headerBytes_ != kRf64WavHeaderBytes) {
        headerBytes_ = kRf64WavHeaderBytes;
        if (!WriteHeader(-1)) {
            Fail(CannotWrite(path_));
            return;
        }
    }
    file_.Preallocate(headerBytes_ + frames * blockAlign_);
}

void LWavWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    while (frames > 0) {
        std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        std::size_t samples = static_cast<std::size_t>(piece) * channels;
        const std::size_t bytes = static_cast<std::size_t>(piece) * static_cast<std::size_t>(blockAlign_);
        char* out = file_.WriteSpace(bytes);
        InternalToPcm(src, width_, samples, reinterpret_cast<std::uint8_t*>(out));
        if (!file_.Write(out, bytes)) {
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
    std::int64_t end = headerBytes_ + static_cast<std::int64_t>(framesWritten) * blockAlign_;
    if (!file_.Truncate(end) || !file_.Seek(end)) Fail(CannotWrite(path_));
}

bool LWavWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    std::int64_t dataBytes = static_cast<std::int64_t>(framesWritten) * blockAlign_;
    bool ok = error;
    if (!error) {
        if (dataBytes > Rf64Threshold() && headerBytes_ == kPcmWavHeaderBytes) {
            ok = MoveUp(file_, kPcmWavHeaderBytes, dataBytes, kDs64ChunkBytes);
            headerBytes_ = kRf64WavHeaderBytes;
        } else {
            ok = true;
        }
        ok = ok && WriteHeader(dataBytes);
    }
    if (!ok) Fail(CannotWrite(path_));
    if (!file_.Close() && !error) Fail(CannotWrite(path_));
    return !error;
}

}  // namespace sv
