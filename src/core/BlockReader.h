#pragma once
// LBlockReader reads the frames of a sound across its segments. It keeps its own copy of the
// sound, so later edits of a document do not disturb a reader (a player's, say), and the
// blocks it reads stay on disk until the reader goes. One sample file is open at a time and
// samples are read straight into the caller's buffer; a segment's gain is applied with an
// integer multiply and shift, skipped at unity.
#include "core/AudioData.h"
#include "core/AudioReader.h"
#include "platform/UniqueFd.h"

namespace sv {

class LBlockReader : public LAudioReader {
public:
    static Ref<LBlockReader> Create(const LAudioData& sound);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return length_; }
    void Seek(std::int32_t position) override;

private:
    explicit LBlockReader(const LAudioData& sound);
    void OpenSegment(std::size_t index, std::int32_t skip);

    LAudioData sound_;
    std::size_t nextSegment_ = 0;
    std::int32_t position_ = 0;
    std::int32_t length_ = 0;
    std::int32_t framesLeft_ = 0;
    UniqueFd sampleFile_;
    std::int32_t factor_ = 512;
};

}  // namespace sv
