#include "formats/AcmWavWriter.h"

#include "formats/ByteOrder.h"
#include "formats/WavFormHead.h"
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
    if (!WriteHeader(-1)) Fail(CannotWrite(path));
}

LAcmWavWriter::~LAcmWavWriter() { Finish(); }

std::int64_t LAcmWavWriter::HeaderBytes() const {
    return (room_ ? 12 + kDs64ChunkBytes : 12) + 8 + static_cast<std::int64_t>(format_.Serialize().size()) +
           static_cast<std::int64_t>(kFactChunkBytes) + 8;
}

bool LAcmWavWriter::WriteHeader(std::int64_t dataBytes) {
    WavFormSizes sizes;
    if (dataBytes >= 0) sizes = {HeaderBytes() - 8 + dataBytes, dataBytes, framesWritten};
    const bool rf64 = room_ && IsRf64(sizes);
    std::vector<std::uint8_t> h = WavFormHead(room_, sizes);
    std::vector<std::uint8_t> fmt = format_.Serialize();
    std::size_t at = h.size();
    h.resize(static_cast<std::size_t>(HeaderBytes()));
    std::memcpy(&h[at], "fmt ", 4);
    PutLe32(&h[at + 4], static_cast<std::uint32_t>(fmt.size()));
    std::copy(fmt.begin(), fmt.end(), h.begin() + static_cast<std::ptrdiff_t>(at + 8));
    // Readers take the frame count from "fact": without it the padding of the last block would
    // be heard as silence. While the file is open the count is 0, which readers ignore.
    std::uint8_t* fact = &h[at + 8 + fmt.size()];
    std::memcpy(fact, "fact", 4);
    PutLe32(fact + 4, 4);
    PutLe32(fact + 8, dataBytes < 0 ? 0u : static_cast<std::uint32_t>(framesWritten));
    std::memcpy(fact + kFactChunkBytes, "data", 4);
    PutLe32(fact + kFactChunkBytes + 4, SizeField(dataBytes, rf64));
    return file_.Seek(0) && file_.Write(h.data(), h.size());
}

void LAcmWavWriter::Reserve(std::int64_t frames) {
    if (error || framesWritten != 0 || room_ || sampleRate <= 0) return;
    // The encoded size from the format's byte rate, with a block to spare.
    const std::int64_t bytes = frames * static_cast<std::int64_t>(format_.avgBytesPerSec) / sampleRate +
                               static_cast<std::int64_t>(format_.blockAlign);
    if (bytes <= Rf64Threshold()) return;
    room_ = true;
    if (!WriteHeader(-1)) Fail(CannotWrite(path_));
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
            bool ok = true;
            if (dataBytes_ > Rf64Threshold() && !room_) {
                ok = MoveUp(file_, HeaderBytes(), dataBytes_, kDs64ChunkBytes);
                room_ = true;
            }
            if (!ok || !WriteHeader(dataBytes_)) Fail(CannotWrite(path_));
        }
    }
    if (!file_.Close() && !error) Fail(CannotWrite(path_));
    return !error;
}

}  // namespace sv
