#pragma once
// LCodedFileWriter: interleaved samples of one byte coding behind an optional header, for the
// headerless, AU and AIFF files. The header routine is called at position 0 with final false
// when the file is created and with final true and the true sizes when it is finished.
#include "core/AudioWriter.h"
#include "formats/BinaryFile.h"
#include "formats/SampleCoding.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sv {

struct CodedFileSizes {
    std::int64_t dataBytes = 0;
    std::int32_t frames = 0;
    std::int32_t rate = 0;
    std::uint8_t channels = 1;
};

// Writes the header into the buffer it is given (its size is the header's); false when the
// sizes cannot be told in this header.
using HeaderRoutine = std::function<bool(std::vector<std::uint8_t>& header, bool final, const CodedFileSizes& sizes)>;

class LCodedFileWriter : public LAudioWriter {
public:
    LCodedFileWriter(const std::string& path, const SampleCoding& coding, std::int32_t rate, std::uint8_t channelCount,
                     std::size_t headerBytes = 0, HeaderRoutine header = nullptr);
    ~LCodedFileWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    void Truncate(std::int32_t frame) override;

protected:
    bool DoFinish() override;

private:
    bool WriteHeader(bool final);

    std::string path_;
    BinaryFile file_;
    SampleCoding coding_;
    std::size_t headerBytes_;
    HeaderRoutine header_;
    int frameSize_;
    std::vector<std::uint8_t> buffer_;
};

// The message of a writer that could not write its file (the disk full, say).
std::string CannotWriteFileMessage(const std::string& path);

}  // namespace sv
