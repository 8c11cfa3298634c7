#include "formats/CodedFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace sv {

std::string CannotWriteFileMessage(const std::string& path) {
    std::string why = errno == ENOSPC ? "le disque est plein" : std::strerror(errno);
    return "Impossible d'écrire le fichier \"" + path + "\" : " + why + ".";
}

LCodedFileWriter::LCodedFileWriter(const std::string& path, const SampleCoding& coding, std::int32_t rate,
                                   std::uint8_t channelCount, std::size_t headerBytes, HeaderRoutine header)
    : path_(path), coding_(coding), headerBytes_(header ? headerBytes : 0), header_(std::move(header)) {
    sampleRate = rate;
    channels = channelCount;
    if (channels == 0) {
        channels = 1;
        Fail("Nombre de canaux invalide.");
    }
    frameSize_ = coding_.width * channels;
    if (!file_.Open(path, BinaryFile::Mode::CreateAlways)) {
        Fail(CannotWriteFileMessage(path));
        return;
    }
    if (!WriteHeader(false)) {
        Fail(CannotWriteFileMessage(path));
        return;
    }
    buffer_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(frameSize_));
}

LCodedFileWriter::~LCodedFileWriter() { Finish(); }

bool LCodedFileWriter::WriteHeader(bool final) {
    if (!header_) return true;
    std::vector<std::uint8_t> h(headerBytes_, 0);
    CodedFileSizes sizes{static_cast<std::int64_t>(framesWritten) * frameSize_, framesWritten, sampleRate, channels};
    if (!header_(h, final, sizes)) return false;
    const std::int64_t back = file_.Tell();
    if (!file_.Seek(0) || !file_.Write(h.data(), h.size())) return false;
    return final || back <= static_cast<std::int64_t>(headerBytes_) || file_.Seek(back);
}

void LCodedFileWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    while (frames > 0) {
        const std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        const std::size_t samples = static_cast<std::size_t>(piece) * channels;
        EncodeSamples(coding_, src, samples, buffer_.data());
        if (!file_.Write(buffer_.data(), static_cast<std::size_t>(piece) * static_cast<std::size_t>(frameSize_))) {
            Fail(CannotWriteFileMessage(path_));
            return;
        }
        src += samples;
        frames -= piece;
    }
}

void LCodedFileWriter::Truncate(std::int32_t frame) {
    if (frame > framesWritten) return;
    framesWritten = std::max(frame, 0);
    if (error) return;
    const std::int64_t end = static_cast<std::int64_t>(headerBytes_) + static_cast<std::int64_t>(framesWritten) * frameSize_;
    if (!file_.Truncate(end) || !file_.Seek(end)) Fail(CannotWriteFileMessage(path_));
}

bool LCodedFileWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    if (!error && !WriteHeader(true)) Fail(header_ ? "Le fichier est trop long pour son format." : CannotWriteFileMessage(path_));
    if (!file_.Close() && !error) Fail(CannotWriteFileMessage(path_));
    return !error;
}

}  // namespace sv
