#pragma once
// LPluginFilter: what the VST 2 and LV2 filters share. Samples go to the plug-in as floats
// (x / full scale) and come back saturated (NaN as silence, beyond full scale clipped).
// Channel counts need not match: a plug-in with fewer inputs than the document has channels
// runs as several instances side by side when its inputs and outputs pair up; otherwise one
// instance gets the document's channels on its first inputs (the rest silent) and its outputs
// are folded back onto the document's channels. A channel no output reaches passes unchanged.
// The plug-in's latency is run ahead and discarded after every seek, so its output lines up.
#include "effects/Filter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sv {

// Plug-ins' vector code reads a little past the frames it is handed; every buffer given to
// one has this many spare floats after it.
constexpr std::size_t kPluginBufferPadding = 64;

class LPluginFilter : public LFilter {
public:
    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override;
    void Seek(std::int32_t position) override;

    // How many instances a plug-in with these inputs and outputs runs as on channels.
    static int InstancesFor(int pluginInputs, int pluginOutputs, int channels);

protected:
    explicit LPluginFilter(Ref<LAudioReader> input);
    ~LPluginFilter() override = default;

    // Called once the instances are ready; until then (and when it is never called, as after
    // a failed load) the filter passes its input through.
    void SetLayout(int inputs, int outputs, int instances, std::int32_t latency);
    // Runs instance over frames frames of the given per-port buffers.
    virtual void RunPlugin(int instance, float* const* in, float* const* out, std::int32_t frames) = 0;
    // Clears the plug-ins' memory (a seek starts afresh).
    virtual void ResetPlugin() {}

private:
    void Convert(std::int32_t* dst, std::int32_t frames);
    void Prime();

    bool ready_ = false;
    bool primed_ = false;
    int inputs_ = 0, outputs_ = 0, instances_ = 0;
    std::int32_t latency_ = 0;
    std::vector<float> inBuf_, outBuf_;     // [instance][port][frame]
    std::vector<float*> inPtr_, outPtr_;   // [instance][port]
    std::vector<double> mix_;               // [frame][channel], the folded outputs
    std::vector<char> reached_;             // per channel: some output lands there
    std::vector<std::int32_t> scratch_;     // latency frames being run ahead
};

// A plug-in's output value v as an internal sample of fullScale: NaN gives 0, values beyond
// the 16-bit range clip to it.
std::int32_t SaturateSample(double v, std::int32_t fullScale);

}  // namespace sv
