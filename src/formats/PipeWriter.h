#pragma once
// LPipeWriter: the writer of the encoder formats. It starts the encoder with its standard
// input on a pipe and feeds it 16-bit little-endian PCM; the encoder writes the target itself.
// Finish closes the pipe (end of input) and waits for the encoder to exit under the progress
// dialog. The writer fails when the program cannot start, stops reading (broken pipe), exits
// with a non-zero status, is cancelled, or leaves no target file.
#include "core/AudioWriter.h"
#include "platform/ChildProcess.h"
#include "platform/PrivateTempFile.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LProgressTask;

class LPipeWriter : public LAudioWriter {
public:
    // argv[0] is the encoder; rate and channels are those of the PCM it is fed. task (may be
    // null) is polled while a full pipe or the encoder's end is waited for.
    LPipeWriter(const std::vector<std::string>& argv, std::string target, std::int32_t rate, std::uint8_t channels,
                LProgressTask* task);
    ~LPipeWriter() override;

    void Write(const std::int32_t* src, std::int32_t frames) override;
    // The pipe cannot be rewound: moving back fails the writer.
    void Truncate(std::int32_t frame) override;

    // Whether the encoder was cancelled (rather than failed).
    bool Cancelled() const { return cancelled_; }

protected:
    bool DoFinish() override;

private:
    bool WriteBytes(const std::uint8_t* data, std::size_t size);
    bool WaitForRoom();
    void Abandon(const std::string& why);

    std::string program_;
    std::string target_;
    LProgressTask* task_;
    ChildProcess child_;
    UniqueFd pipe_;
    PrivateTempFile log_;
    std::vector<std::uint8_t> buffer_;
    int capacity_ = 65536;  // bytes the pipe holds
    bool cancelled_ = false;
};

}  // namespace sv
