#pragma once
// Where the recorder's takes go. LRecordOwner is what the recorder dialog asks of its owner: a
// writer that records from a position of the recorded sound onwards, and later the sound.
// RecordTarget is the owner of the Record command: a new sound in the document's format, each
// take written into a fresh block and put in place of everything from its start position on.
#include "core/AudioData.h"
#include "core/AudioWriter.h"

#include <cstdint>
#include <string>

namespace sv {

class LRecordOwner {
public:
    virtual ~LRecordOwner() = default;
    // The writer of a take starting at frame position (clamped to the sound's length).
    virtual Ref<LAudioWriter> WriterAt(std::int32_t position) = 0;
    // Puts the last take in place once the recorder has let go of its writer. False (with
    // ErrorText) when the take could not be kept, the sound then staying as it was before it.
    virtual bool Collect() = 0;
    virtual const LAudioData& Sound() const = 0;
    virtual std::string ErrorText() const = 0;
};

class RecordTarget : public LRecordOwner {
public:
    RecordTarget(BlockStore& store, std::int32_t sampleRate, std::uint8_t channels);
    ~RecordTarget() override;

    Ref<LAudioWriter> WriterAt(std::int32_t position) override;
    bool Collect() override;
    const LAudioData& Sound() const override { return sound_; }
    std::string ErrorText() const override { return error_; }

private:
    BlockStore& store_;
    LAudioData sound_;
    LAudioData take_;
    Ref<LAudioWriter> pending_;
    std::int32_t pendingAt_ = 0;
    std::string error_;
};

}  // namespace sv
