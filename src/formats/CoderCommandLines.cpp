#include "formats/CoderCommandLines.h"

#include <algorithm>
#include <cstdio>

namespace sv {

namespace {

int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

std::string Str(int v) { return std::to_string(v); }

// The kbit/s a channel count and rate can carry at most in managed and average modes.
int BitRateCap(int channels, std::int32_t rate) {
    return static_cast<int>(static_cast<double>(channels) * static_cast<double>(rate) * 0.0045);
}

struct Mp3Bounds {
    int top, low;
};

Mp3Bounds Bounds(const Mp3EncoderSettings& s) {
    if (s.constantBitRate) return {s.cbrBitRate, s.cbrBitRate};
    int low = s.vbrMinBitRate;
    if (s.vbrMaxBitRate > 160 && low < 32) low = 32;
    return {s.vbrMaxBitRate, low};
}

}  // namespace

std::int32_t Mp3OutputRate(std::int32_t r, const Mp3EncoderSettings& s) {
    const Mp3Bounds b = Bounds(s);
    if (b.top >= 161 && r < 32000) return 44100;
    std::int32_t out = std::min<std::int32_t>(r, 48000);
    if (b.low < 32 && out > 22050) out = 22050;
    if (out >= 44101 && out <= 47999) return 44100;
    if (out >= 32001 && out <= 44099) return 44100;
    if (out >= 24001 && out <= 31999) return 32000;
    if (out >= 22051 && out <= 23999) return 22050;
    if (out >= 16001 && out <= 22049) return 22050;
    if (out >= 11026 && out <= 15999) return 11025;
    if (out >= 8001 && out <= 11024) return 11025;
    if (out < 8000) return 8000;
    return out;
}

std::string Mp3RateText(std::int32_t rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%.3d", rate / 1000, rate % 1000);
    return text;
}

EncoderCommand Mp3Command(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const Mp3EncoderSettings& s) {
    const Mp3Bounds b = Bounds(s);
    EncoderCommand c;
    c.rate = Mp3OutputRate(rate, s);
    c.channels = b.low < 24 ? 1 : channels;
    c.argv = {encoder};
    int mode = s.channelMode > 3 || s.channelMode < 0 ? 1 : s.channelMode;
    if (b.top < 24) mode = 3;
    if (c.channels == 1) mode = 3;
    else if (mode == 3) c.argv.push_back("-a");
    static const char* const kModeLetters[] = {"s", "j", "f", "m"};
    c.argv.insert(c.argv.end(), {"-m", kModeLetters[mode]});
    if (s.errorProtection) c.argv.push_back("-p");
    if (!s.constantBitRate) {
        c.argv.insert(c.argv.end(), {"-v", "-b", Str(b.low), "-B", Str(s.vbrMaxBitRate), "-V", Str(s.vbrQuality)});
    } else {
        c.argv.insert(c.argv.end(), {"-b", Str(s.cbrBitRate)});
        if (s.highQuality) c.argv.push_back("-h");
    }
    c.argv.insert(c.argv.end(), {"-r", "-x", "-s", Mp3RateText(c.rate), "-S", "-", target});
    return c;
}

EncoderCommand OggCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const OggEncoderSettings& s) {
    EncoderCommand c;
    c.rate = rate;
    c.channels = channels;
    c.argv = {encoder, "-C", Str(channels), "-R", Str(rate)};
    const int n = Clamp(s.channels, 1, 2);
    if (channels == 2 && n == 1) c.argv.push_back("--downmix");
    if (s.quality) {
        c.argv.insert(c.argv.end(), {"-q", Str(s.vbrQuality)});
    } else {
        const int max = std::min(s.vbrMaxBitRate, BitRateCap(std::min<int>(channels, n), rate));
        const int min = std::min(s.vbrMinBitRate, max);
        c.argv.insert(c.argv.end(), {"-m", Str(min), "-M", Str(max)});
    }
    if (s.stripComments) c.argv.push_back("--discard-comments");
    c.argv.insert(c.argv.end(), {"-Q", "-", "-o", target});
    return c;
}

EncoderCommand FlacCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                           std::uint8_t channels, const FlacEncoderSettings& s) {
    EncoderCommand c;
    c.rate = rate;
    c.channels = channels;
    c.argv = {encoder,
              "--channels=" + Str(channels),
              "--sample-rate=" + Str(rate),
              "--compression-level-" + Str(Clamp(s.compression, 0, 8)),
              "--endian=little",
              "--bps=16",
              "--sign=signed",
              "-f",
              "-",
              "-o",
              target};
    return c;
}

EncoderCommand AacCommand(const std::string& encoder, const std::string& target, std::int32_t rate,
                          std::uint8_t channels, const AacEncoderSettings& s) {
    EncoderCommand c;
    c.rate = rate;
    c.channels = channels;
    c.argv = {encoder, "-C", Str(channels), "-R", Str(rate)};
    if (s.averageBitRate) c.argv.insert(c.argv.end(), {"-b", Str(std::min(s.abrBitRate, BitRateCap(channels, rate)))});
    else c.argv.insert(c.argv.end(), {"-q", Str(s.vbrQuality)});
    if (s.forceMpeg2) c.argv.insert(c.argv.end(), {"--mpeg-vers", "2"});
    if (s.disableTns) c.argv.push_back("--no-tns");
    c.argv.insert(c.argv.end(), {"-X", "-", "-o", target});
    return c;
}

EncoderCommand AmrPipeCommand(const std::string& encoder, const std::string& target, const AmrEncoderSettings& s) {
    EncoderCommand c;
    c.rate = 8000;
    c.channels = 1;
    c.argv = {encoder, AmrModeName(s.modeRateSelection), "-", target};
    return c;
}

std::vector<std::string> AmrFileCommand(const std::string& encoder, const std::string& wavPath,
                                        const std::string& target, const AmrEncoderSettings& s) {
    return {encoder, AmrModeName(s.modeRateSelection), wavPath, target};
}

std::vector<std::string> DecoderCommand(const std::string& name, const std::string& decoder,
                                        const std::string& source, const std::string& output) {
    if (name == "oggdec") return {decoder, "-o", output, source};
    if (name == "flacdec") return {decoder, "-d", "-f", "-o", output, source};
    if (name == "aacdec") return {decoder, "-d", "-o", output, source};
    if (name == "shndec") return {decoder, "-x", source, output};
    if (name == "actdec" || name == "amrdec") return {decoder, source, output};
    return {};
}

}  // namespace sv
