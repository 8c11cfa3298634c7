#include "formats/GsmFile.h"

#include "formats/CodedFileWriter.h"
#include "formats/FileFormatTable.h"

#include <gsm.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace sv {

Ref<LAudioReader> OpenGsmReader(const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return MakeRef<LErrorReader>(kReaderCannotOpen);
    Ref<LGsmFileReader> reader = MakeRef<LGsmFileReader>(std::move(file));
    if (reader->errorCode != kReaderOk) return MakeRef<LErrorReader>(reader->errorCode);
    return reader;
}

Ref<LAudioWriter> CreateGsmWriter(const std::string& path) { return MakeRef<LGsmFileWriter>(path); }

LGsmFileReader::LGsmFileReader(BinaryFile file) : file_(std::move(file)), codec_(gsm_create()) {
    sampleRate = kGsmRate;
    channels = 1;
    fullScale = kFullScale16;
    if (!codec_) errorCode = kReaderCodecMissing;
    const std::int64_t frames = std::max<std::int64_t>(file_.Size(), 0) / kGsmFrameBytes;
    frameCount_ = static_cast<std::int32_t>(std::min<std::int64_t>(frames * kGsmFrameSamples, INT_MAX));
    decoded_.resize(kGsmFrameSamples);
}

LGsmFileReader::~LGsmFileReader() {
    if (codec_) gsm_destroy(codec_);
}

void LGsmFileReader::Load(std::int64_t index) {
    if (index == loaded_) return;
    if (index != loaded_ + 1) {
        gsm_destroy(codec_);
        codec_ = gsm_create();
    }
    loaded_ = index;
    gsm_byte frame[kGsmFrameBytes];
    if (!codec_ || file_.ReadAt(index * kGsmFrameBytes, frame, sizeof frame) != kGsmFrameBytes ||
        gsm_decode(codec_, frame, decoded_.data()) != 0)
        std::fill(decoded_.begin(), decoded_.end(), 0);
}

void LGsmFileReader::Read(std::int32_t* dst, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const std::int64_t p = static_cast<std::int64_t>(position_) + i;
        if (p < 0 || p >= frameCount_) {
            dst[i] = 0;
            continue;
        }
        Load(p / kGsmFrameSamples);
        dst[i] = decoded_[static_cast<std::size_t>(p % kGsmFrameSamples)] * 16;
    }
    position_ = static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(position_) + frames, INT_MAX));
}

LGsmFileWriter::LGsmFileWriter(const std::string& path) : path_(path), codec_(gsm_create()) {
    sampleRate = kGsmRate;
    channels = 1;
    pending_.reserve(kGsmFrameSamples);
    if (!codec_) Fail("Le codec GSM 06.10 n'a pas pu être initialisé.");
    else if (!file_.Open(path, BinaryFile::Mode::CreateAlways)) Fail(CannotWriteFileMessage(path));
}

LGsmFileWriter::~LGsmFileWriter() {
    Finish();
    if (codec_) gsm_destroy(codec_);
}

bool LGsmFileWriter::Flush() {
    gsm_byte frame[kGsmFrameBytes];
    pending_.resize(kGsmFrameSamples, 0);
    gsm_encode(codec_, pending_.data(), frame);
    pending_.clear();
    if (file_.Write(frame, sizeof frame)) return true;
    Fail(CannotWriteFileMessage(path_));
    return false;
}

void LGsmFileWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (frames <= 0) return;
    framesWritten = framesWritten > INT_MAX - frames ? INT_MAX : framesWritten + frames;
    if (error) return;
    for (std::int32_t i = 0; i < frames; ++i) {
        const std::int64_t s = (static_cast<std::int64_t>(src[i]) + 8) >> 4;
        pending_.push_back(static_cast<std::int16_t>(std::clamp<std::int64_t>(s, -32768, 32767)));
        if (pending_.size() == kGsmFrameSamples && !Flush()) return;
    }
}

void LGsmFileWriter::Truncate(std::int32_t frame) {
    if (frame > framesWritten) return;
    const std::int64_t whole = std::max(frame, 0) / kGsmFrameSamples;
    framesWritten = static_cast<std::int32_t>(whole * kGsmFrameSamples);
    pending_.clear();
    if (error) return;
    if (!file_.Truncate(whole * kGsmFrameBytes) || !file_.Seek(whole * kGsmFrameBytes)) Fail(CannotWriteFileMessage(path_));
}

bool LGsmFileWriter::DoFinish() {
    if (!file_.IsOpen()) return false;
    if (!error && !pending_.empty()) Flush();
    if (!file_.Close() && !error) Fail(CannotWriteFileMessage(path_));
    return !error;
}

namespace {

Ref<LAudioWriter> CreateGsmSaveWriter(const SaveRequest& request) { return CreateGsmWriter(request.path); }

FileFormatRow MakeGsmRow() {
    FileFormatRow row;
    row.extensions = {".gsm"};
    row.openReader = OpenGsmReader;
    row.readerMessage = AnyErrorCannotRead;
    row.createWriter = CreateGsmSaveWriter;
    row.confirmedWithoutOptions = true;
    return row;
}

}  // namespace

const FileFormatRow kGsmFormatRow = MakeGsmRow();

}  // namespace sv
