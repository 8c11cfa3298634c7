#pragma once
// LAcmWavWriter: writes a compressed WAV file through the codec layer. Internal samples become
// 16-bit PCM in an 8192-frame buffer that is encoded in whole blocks whenever it fills; the
// last partial block is padded with silence when the writer finishes. The header carries the
// stored WAVEFORMATEX and a "fact" chunk with the true frame count; its sizes stay 0xFFFFFFFF
// (and the count 0) until Finish(). Encoded data beyond what a RIFF size holds (64-bit float,
// say) makes the file RF64, as for PCM.
#include "core/AudioWriter.h"
#include "formats/AcmStream.h"
#include "formats/BinaryFile.h"
#include "formats/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sv {

class LAcmWavWriter : public LAudioWriter {
public:
    LAcmWavWriter(const std::string& path, const WAVEFORMATEX& format);
    ~LAcmWavWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    // Encoded blocks cannot be cut back; only the frame count follows.
    void Truncate(std::int32_t frame) override;
    // Keeps the room of a ds64 chunk when the encoded data may pass the RF64 threshold.
    void Reserve(std::int64_t frames) override;

protected:
    bool DoFinish() override;

private:
    // The header for dataBytes of encoded data; -1 while open.
    bool WriteHeader(std::int64_t dataBytes);
    std::int64_t HeaderBytes() const;
    // Encodes what the source buffer holds in whole blocks (all of it when last is set).
    void Flush(bool last);

    std::string path_;
    BinaryFile file_;
    WAVEFORMATEX format_;
    std::unique_ptr<AcmStream> stream_;
    std::vector<std::uint8_t> source_;
    std::size_t sourceFill_ = 0;
    std::vector<std::uint8_t> encoded_;
    std::int64_t dataBytes_ = 0;
    bool room_ = false;  // for the ds64 chunk
};

}  // namespace sv
