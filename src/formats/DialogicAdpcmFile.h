#pragma once
// Headerless Dialogic ADPCM files: mono, two samples per byte, the first in the high 4 bits.
// Seeking keeps the decoder's state (the predictor is not reset), as the rest of the system
// expects of these files.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"
#include "formats/DialogicAdpcm.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LDialogicAdpcmReader : public LAudioReader {
public:
    LDialogicAdpcmReader(BinaryFile file, std::int32_t rate);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frameCount_; }
    void Seek(std::int32_t position) override { position_ = position; }

private:
    BinaryFile file_;
    DialogicAdpcmState state_;
    std::int32_t frameCount_ = 0;
    std::int32_t position_ = 0;
    std::vector<std::uint8_t> buffer_;
};

class LDialogicAdpcmWriter : public LAudioWriter {
public:
    LDialogicAdpcmWriter(const std::string& path, std::int32_t rate);
    ~LDialogicAdpcmWriter() override;

    // Takes mono frames; an odd sample waits for the first one of the next write.
    void Write(const std::int32_t* src, std::int32_t frames) override;
    // Cuts at an even frame (a byte holds two).
    void Truncate(std::int32_t frame) override;

protected:
    // The sample still waiting is written with a zero second half, so no sample is lost.
    bool DoFinish() override;

private:
    std::string path_;
    BinaryFile file_;
    DialogicAdpcmState state_;
    int pending_ = -1;  // the high nibble of the next byte, or -1
    std::vector<std::uint8_t> buffer_;
};

}  // namespace sv
