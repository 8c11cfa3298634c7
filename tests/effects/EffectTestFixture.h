#pragma once
// A workspace with the basic effect commands registered, driven through the registry and the
// scripted Host, plus a reader over a vector of samples for the filter tests.
#include "core/AudioDocument.h"
#include "core/AudioReader.h"
#include "core/BlockStore.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "effects/BasicEffectCommands.h"
#include "platform/Settings.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace sv::test {

// Interleaved samples as a reader; records the largest request and the seeks.
class VectorReader : public LAudioReader {
public:
    VectorReader(std::vector<std::int32_t> samples, std::uint8_t ch, std::int32_t rate = 44100)
        : samples_(std::move(samples)) {
        channels = ch;
        sampleRate = rate;
    }
    void Read(std::int32_t* dst, std::int32_t frames) override {
        largestRead = std::max(largestRead, frames);
        for (std::int32_t i = 0; i < frames; ++i, ++position_)
            for (int c = 0; c < channels; ++c) {
                const std::int64_t at = static_cast<std::int64_t>(position_) * channels + c;
                dst[static_cast<std::size_t>(i) * channels + c] =
                    position_ >= 0 && at < static_cast<std::int64_t>(samples_.size()) ? samples_[static_cast<std::size_t>(at)] : 0;
            }
    }
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return static_cast<std::int32_t>(samples_.size() / channels); }
    void Seek(std::int32_t p) override {
        position_ = p;
        seeks.push_back(p);
    }

    std::int32_t largestRead = 0;
    std::vector<std::int32_t> seeks;

private:
    std::vector<std::int32_t> samples_;
    std::int32_t position_ = 0;
};

// Everything of a document a cancelled edit must leave alone.
struct DocumentState {
    std::vector<std::pair<BlockNumber, std::int32_t>> segments;
    std::vector<std::int32_t> gains;
    std::vector<std::string> undoNames;
    std::int32_t undoIndex = 0;
    std::uint8_t modified = 0;
    std::int32_t selectionStart = 0, selectionEnd = 0;
    std::vector<std::string> files;
    bool operator==(const DocumentState& o) const {
        return segments == o.segments && gains == o.gains && undoNames == o.undoNames && undoIndex == o.undoIndex &&
               modified == o.modified && selectionStart == o.selectionStart && selectionEnd == o.selectionEnd &&
               files == o.files;
    }
};

class EffectTest : public ::testing::Test, protected TestWorkspace {
protected:
    EffectTest() { RegisterBasicEffectCommands(registry); }

    // A document over sound, made active, with no selection.
    LAudioDocument& Open(const LAudioData& sound) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "/music/take.wav");
        doc->modified = 0;
        ws.AddDocument(doc);
        ws.SetActive(doc.get());
        return *doc;
    }
    LAudioDocument& Open(const std::vector<std::int32_t>& samples, std::uint8_t channels, std::int32_t rate = 44100) {
        return Open(MakeSound(store, samples, channels, rate));
    }
    // Interleaved samples from a function of frame and channel.
    static std::vector<std::int32_t> Samples(std::int32_t frames, std::uint8_t channels,
                                             const std::function<std::int32_t(int, int)>& f) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (int k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = f(k, c);
        return s;
    }
    bool Run(int id) { return registry.Run(id, ws); }
    LAudioDocument& Doc() { return *ws.Active(); }
    std::vector<std::int32_t> All() { return ReadFrames(Doc().sound, 0, Doc().Length()); }

    DocumentState State() {
        DocumentState s;
        for (const LSegment& seg : Doc().sound.Segments()) {
            s.segments.push_back({seg.block, seg.frames});
            s.gains.push_back(seg.gain);
        }
        for (const LUndoSlot& slot : Doc().undoRing) s.undoNames.push_back(slot.name);
        s.undoIndex = Doc().undoIndex;
        s.modified = Doc().modified;
        s.selectionStart = Doc().selectionStart;
        s.selectionEnd = Doc().selectionEnd;
        s.files = dir.List();
        return s;
    }

};

// The shared fixed-point product, written out from its definition for the expected figures.
inline std::int32_t ExpectedMul(std::int32_t a, std::int32_t b) {
    const std::int64_t ah = a >> 12, al = a & 4095, bh = b >> 12, bl = b & 4095;
    return static_cast<std::int32_t>(((al * bh) >> 12) + ((ah * bl) >> 12) + ah * bh);
}

}  // namespace sv::test
