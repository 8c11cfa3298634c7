#include "formats/DialogicAdpcmFile.h"

#include "formats/CodedFileWriter.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

LDialogicAdpcmReader::LDialogicAdpcmReader(BinaryFile file, std::int32_t rate) : file_(std::move(file)) {
    sampleRate = rate;
    channels = 1;
    fullScale = kFullScale16;
    frameCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(std::max<std::int64_t>(file_.Size(), 0) * 2, INT_MAX));
    buffer_.resize(kMaxFramesPerCall / 2 + 1);
}

void LDialogicAdpcmReader::Read(std::int32_t* dst, std::int32_t frames) {
    while (frames > 0) {
        const std::int32_t piece = std::min(frames, kMaxFramesPerCall);
        const std::int64_t start = position_;
        const std::int64_t end = start + piece;
        position_ = static_cast<std::int32_t>(std::min<std::int64_t>(end, INT_MAX));
        std::memset(dst, 0, static_cast<std::size_t>(piece) * sizeof(std::int32_t));
        const std::int64_t from = std::max<std::int64_t>(start, 0);
        const std::int64_t to = std::min<std::int64_t>(end, frameCount_);
        if (to > from) {
            const std::int64_t firstByte = from / 2;
            const auto bytes = static_cast<std::size_t>((to - 1) / 2 - firstByte + 1);
            long got = file_.ReadAt(firstByte, buffer_.data(), bytes);
            const std::int64_t held = got > 0 ? (firstByte + got) * 2 : 0;
            for (std::int64_t p = from; p < std::min(to, held); ++p) {
                const std::uint8_t b = buffer_[static_cast<std::size_t>(p / 2 - firstByte)];
                dst[p - start] = state_.Decode((p & 1) ? (b & 15) : (b >> 4));
            }
        }
        dst += piece;
        frames -= piece;
    }
}

LDialogicAdpcmWriter::LDialogicAdpcmWriter(const std::string& path, std::int32_t rate) : path_(path) {
    sampleRate = rate;
    channels = 1;
    if (!file_.Open(path, BinaryFile::Mode::CreateAlways)) Fail(CannotWriteFileMessage(path));
    buffer_.resize(kMaxFramesPerCall / 2 + 1);
}

LDialogicAdpcmWriter::~LDialogicAdpcmWriter() { Finish(); }

void LDialogicAdpcmWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    std::size_t n = 0;
    for (std::int32_t i = 0; i < frames; ++i) {
        const int code = state_.Encode(src[i]);
        if (pending_ < 0) {
            pending_ = code;
            continue;
        }
        buffer_[n++] = static_cast<std::uint8_t>((pending_ << 4) | code);
        pending_ = -1;
        if (n == buffer_.size()) {
            if (!file_.Write(buffer_.data(), n)) return Fail(CannotWriteFileMessage(path_));
            n = 0;
        }
    }
    if (n && !file_.Write(buffer_.data(), n)) Fail(CannotWriteFileMessage(path_));
}

void LDialogicAdpcmWriter::Truncate(std::int32_t frame) {
    if (frame > framesWritten) return;
    framesWritten = std::max(frame, 0) & ~1;
    pending_ = -1;
    if (error) return;
    if (!file_.Truncate(framesWritten / 2) || !file_.Seek(framesWritten / 2)) Fail(CannotWriteFileMessage(path_));
}

bool LDialogicAdpcmWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    if (!error && pending_ >= 0) {
        const auto last = static_cast<std::uint8_t>(pending_ << 4);
        if (!file_.Write(&last, 1)) Fail(CannotWriteFileMessage(path_));
        pending_ = -1;
    }
    if (!file_.Close() && !error) Fail(CannotWriteFileMessage(path_));
    return !error;
}

}  // namespace sv
