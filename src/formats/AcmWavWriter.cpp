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

constexpr std::size_t kFactChunkBytes = 12;

}  // namespace

LAcmWavWriter::LAcmWavWriter(const std::string& path, const WAVEFORMATEX& format) : path_(path), format_(format) {
    sampleRate = static_cast<std::int32_t>(format.samplesPerSec);
    channels = static_cast<std::uint8_t>(std::min<unsigned>(format.channels, 255));
    if (channels == 0) {
        channels = 1;
        Fail("Nombre de canaux invalide.");
    }
    if (!file_.Open(path, BinaryFile::Mode::CreateAlways)) {
        Fail(CannotWrite(path));
        return;
    }
    WAVEFORMATEX pcm = MakePcmFormat(format.samplesPerSec, channels, 16);
    stream_ = AcmStream::Open(pcm, format_, 0);
    if (!stream_) stream_ = AcmStream::Open(pcm, format_, kAcmOpenNonRealTime);
    if (!stream_) {
        Fail("Le format requis n'est pas disponible : " + DescribeFormat(format_) + ".");
        return;
    }
    std::size_t blockBytes = stream_->SourceBlockBytes();
    std::size_t bytes = static_cast<std::size_t>(kMaxFramesPerCall) * channels * 2;
    source_.resize(std::max(blockBytes, bytes / blockBytes * blockBytes));
    encoded_.resize(stream_->DestinationSizeFor(source_.size()));
    if (!WriteHeader(0xFFFFFFFFu, 0xFFFFFFFFu)) Fail(CannotWrite(path));
}

LAcmWavWriter::~LAcmWavWriter() { Finish(); }

bool LAcmWavWriter::WriteHeader(std::uint32_t riffBytes, std::uint32_t dataBytes) {
    std::vector<std::uint8_t> fmt = format_.Serialize();
    std::vector<std::uint8_t> h(20 + fmt.size() + kFactChunkBytes + 8);
    std::memcpy(&h[0], "RIFF", 4);
    PutLe32(&h[4], riffBytes);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutLe32(&h[16], static_cast<std::uint32_t>(fmt.size()));
    std::copy(fmt.begin(), fmt.end(), h.begin() + 20);
    // Readers take the frame count from "fact": without it the padding of the last block would
    // be heard as silence. While the file is open the count is 0, which readers ignore.
    std::uint8_t* fact = &h[20 + fmt.size()];
    std::memcpy(fact, "fact", 4);
    PutLe32(fact + 4, 4);
    PutLe32(fact + 8, riffBytes == 0xFFFFFFFFu ? 0u : static_cast<std::uint32_t>(framesWritten));
    std::memcpy(fact + kFactChunkBytes, "data", 4);
    PutLe32(fact + kFactChunkBytes + 4, dataBytes);
    return file_.Seek(0) && file_.Write(h.data(), h.size());
}

void LAcmWavWriter::Flush(bool last) {
    AcmStream::Result r = stream_->Convert(source_.data(), sourceFill_, encoded_.data(), encoded_.size(),
                                           kAcmConvertBlockAlign | (last ? kAcmConvertEnd : 0u));
    if (r.destinationUsed > 0) {
        if (!file_.Write(encoded_.data(), r.destinationUsed)) {
            Fail(CannotWrite(path_));
            return;
        }
        dataBytes_ += static_cast<std::int64_t>(r.destinationUsed);
    }
    std::memmove(source_.data(), source_.data() + r.sourceUsed, sourceFill_ - r.sourceUsed);
    sourceFill_ -= r.sourceUsed;
}

void LAcmWavWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    std::size_t samples = static_cast<std::size_t>(frames) * channels;
    for (std::size_t i = 0; i < samples; ++i) {
        auto v = static_cast<std::uint16_t>(InternalToInt16(src[i]));
        source_[sourceFill_++] = static_cast<std::uint8_t>(v);
        source_[sourceFill_++] = static_cast<std::uint8_t>(v >> 8);
        if (sourceFill_ == source_.size()) {
            Flush(false);
            if (error) return;
        }
    }
}

void LAcmWavWriter::Truncate(std::int32_t frame) {
    if (frame <= framesWritten) framesWritten = std::max(frame, 0);
}

bool LAcmWavWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    if (!error && stream_) {
        Flush(true);
        if (!error) {
            std::int64_t overhead = 38 + kFactChunkBytes + format_.CbSize();
            bool fits = dataBytes_ + overhead < 0xFFFFFFFFLL;
            if (!WriteHeader(fits ? static_cast<std::uint32_t>(dataBytes_ + overhead) : 0xFFFFFFFFu,
                             fits ? static_cast<std::uint32_t>(dataBytes_) : 0xFFFFFFFFu))
                Fail(CannotWrite(path_));
        }
    }
    if (!file_.Close() && !error) Fail(CannotWrite(path_));
    return !error;
}

}  // namespace sv
