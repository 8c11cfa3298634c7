#pragma once
// GSM 06.10 full-rate files: 33-byte frames of 160 samples at 8000 Hz, mono, no header, coded
// by Debian's libgsm (not in its WAV49 form). 16-bit codec output s is the internal s * 16,
// so the reader's full scale is that of 16-bit sources.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct gsm_state;

namespace sv {

constexpr int kGsmFrameBytes = 33;
constexpr int kGsmFrameSamples = 160;
constexpr std::int32_t kGsmRate = 8000;

Ref<LAudioReader> OpenGsmReader(const std::string& path);
Ref<LAudioWriter> CreateGsmWriter(const std::string& path);

class LGsmFileReader : public LAudioReader {
public:
    explicit LGsmFileReader(BinaryFile file);
    ~LGsmFileReader() override;

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frameCount_; }
    void Seek(std::int32_t position) override { position_ = position; }

private:
    // Makes decoded_ hold the codec frame of index; a jump restarts the decoder there.
    void Load(std::int64_t index);

    BinaryFile file_;
    gsm_state* codec_ = nullptr;
    std::int32_t frameCount_ = 0;
    std::int32_t position_ = 0;
    std::int64_t loaded_ = -1;
    std::vector<std::int16_t> decoded_;
};

class LGsmFileWriter : public LAudioWriter {
public:
    explicit LGsmFileWriter(const std::string& path);
    ~LGsmFileWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    // Cuts at a whole codec frame.
    void Truncate(std::int32_t frame) override;

protected:
    // A partial last frame is completed with silence, so no sample is lost.
    bool DoFinish() override;

private:
    bool Flush();

    std::string path_;
    BinaryFile file_;
    gsm_state* codec_ = nullptr;
    std::vector<std::int16_t> pending_;
};

}  // namespace sv
