#include "effects/PluginFilter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace sv {

std::int32_t SaturateSample(double v, std::int32_t fullScale) {
    const double y = v * fullScale;
    // 16-bit full scale runs from -32768 to 32767 steps of fullScale / 32767.
    const double lowest = -static_cast<double>(fullScale) * 32768.0 / 32767.0;
    if (std::isnan(y)) return 0;
    if (y >= fullScale) return fullScale;
    if (y <= lowest) return static_cast<std::int32_t>(lowest);
    return static_cast<std::int32_t>(std::lrint(y));
}

LPluginFilter::LPluginFilter(Ref<LAudioReader> input) : LFilter(std::move(input)) {}

int LPluginFilter::InstancesFor(int pluginInputs, int pluginOutputs, int channels) {
    if (pluginInputs >= 1 && pluginInputs == pluginOutputs && pluginInputs < channels)
        return (channels + pluginInputs - 1) / pluginInputs;
    return 1;
}

void LPluginFilter::SetLayout(int inputs, int outputs, int instances, std::int32_t latency) {
    inputs_ = std::max(inputs, 0);
    outputs_ = std::max(outputs, 0);
    instances_ = std::max(instances, 1);
    latency_ = std::max<std::int32_t>(latency, 0);
    const std::size_t frames = kMaxFramesPerCall;
    const std::size_t stride = frames + kPluginBufferPadding;
    inBuf_.assign(stride * static_cast<std::size_t>(inputs_ * instances_), 0.0f);
    outBuf_.assign(stride * static_cast<std::size_t>(outputs_ * instances_), 0.0f);
    inPtr_.clear();
    outPtr_.clear();
    for (int p = 0; p < inputs_ * instances_; ++p) inPtr_.push_back(inBuf_.data() + stride * p);
    for (int p = 0; p < outputs_ * instances_; ++p) outPtr_.push_back(outBuf_.data() + stride * p);
    mix_.assign(frames * channels, 0.0);
    reached_.assign(channels, 0);
    for (int k = 0; k < instances_; ++k)
        for (int j = 0; j < outputs_; ++j) {
            const int c = instances_ > 1 ? k * outputs_ + j : j % channels;
            if (c < channels) reached_[static_cast<std::size_t>(c)] = 1;
        }
    if (latency_ > 0) scratch_.assign(frames * channels, 0);
    ready_ = true;
    primed_ = false;
}

void LPluginFilter::Convert(std::int32_t* dst, std::int32_t frames) {
    const std::size_t ch = channels;
    const double toFloat = 1.0 / fullScale;
    std::fill(mix_.begin(), mix_.begin() + static_cast<std::ptrdiff_t>(frames * ch), 0.0);
    for (int k = 0; k < instances_; ++k) {
        float* const* in = inPtr_.data() + static_cast<std::size_t>(k * inputs_);
        float* const* out = outPtr_.data() + static_cast<std::size_t>(k * outputs_);
        for (int j = 0; j < inputs_; ++j) {
            const std::size_t c = static_cast<std::size_t>(k * inputs_ + j);
            for (std::int32_t i = 0; i < frames; ++i)
                in[j][i] = c < ch ? static_cast<float>(dst[i * ch + c] * toFloat) : 0.0f;
        }
        for (int j = 0; j < outputs_; ++j) std::fill(out[j], out[j] + frames, 0.0f);
        RunPlugin(k, in, out, frames);
        for (int j = 0; j < outputs_; ++j) {
            const std::size_t c = static_cast<std::size_t>(instances_ > 1 ? k * outputs_ + j : j % channels);
            if (c >= ch) continue;
            for (std::int32_t i = 0; i < frames; ++i) mix_[i * ch + c] += out[j][i];
        }
    }
    for (std::size_t c = 0; c < ch; ++c) {
        if (!reached_[c]) continue;
        for (std::int32_t i = 0; i < frames; ++i) dst[i * ch + c] = SaturateSample(mix_[i * ch + c], fullScale);
    }
}

void LPluginFilter::Prime() {
    primed_ = true;
    for (std::int32_t left = latency_; left > 0;) {
        const std::int32_t n = std::min(left, kMaxFramesPerCall);
        input_->Read(scratch_.data(), n);
        Convert(scratch_.data(), n);
        left -= n;
    }
}

void LPluginFilter::Read(std::int32_t* dst, std::int32_t frames) {
    if (!ready_ || errorCode != kReaderOk) {
        input_->Read(dst, frames);
        return;
    }
    if (!primed_) Prime();
    while (frames > 0) {
        const std::int32_t n = std::min(frames, kMaxFramesPerCall);
        input_->Read(dst, n);
        Convert(dst, n);
        dst += static_cast<std::size_t>(n) * channels;
        frames -= n;
    }
}

std::int32_t LPluginFilter::Position() const {
    return input_->Position() - (primed_ ? latency_ : 0);
}

void LPluginFilter::Seek(std::int32_t position) {
    if (ready_) ResetPlugin();
    primed_ = false;
    input_->Seek(position);
}

}  // namespace sv
