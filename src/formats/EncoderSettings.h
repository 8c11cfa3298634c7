#pragma once
// The stored settings of the five encoders, each in its own section beside "Settings". Load
// gives the defaults for values not stored (or when settings is null); Store writes them all to
// the user scope.
#include <cstdint>

namespace sv {

class Settings;

struct Mp3EncoderSettings {
    bool constantBitRate = true;
    int cbrBitRate = 128;
    bool highQuality = true;
    int vbrMinBitRate = 32;
    int vbrMaxBitRate = 128;
    int vbrQuality = 4;  // 0 highest .. 9 lowest
    bool errorProtection = false;
    int channelMode = 1;  // 0 stereo, 1 joint, 2 forced, 3 mono

    static Mp3EncoderSettings Load(const Settings* settings);
    void Store(Settings& settings) const;
};

struct OggEncoderSettings {
    bool quality = true;  // else managed bit rate
    int vbrQuality = 4;   // 0 lowest .. 10 highest
    int vbrMinBitRate = 96;
    int vbrMaxBitRate = 128;
    int channels = 1;
    bool stripComments = false;

    static OggEncoderSettings Load(const Settings* settings);
    void Store(Settings& settings) const;
};

struct FlacEncoderSettings {
    int compression = 4;  // 0 fastest .. 8 best

    static FlacEncoderSettings Load(const Settings* settings);
    void Store(Settings& settings) const;
};

struct AacEncoderSettings {
    bool averageBitRate = false;  // else quality
    int abrBitRate = 128;
    int vbrQuality = 100;
    bool forceMpeg2 = false;
    bool disableTns = false;

    static AacEncoderSettings Load(const Settings* settings);
    void Store(Settings& settings) const;
};

struct AmrEncoderSettings {
    int modeRateSelection = 4;  // index into kAmrModes

    static AmrEncoderSettings Load(const Settings* settings);
    void Store(Settings& settings) const;
};

extern const char* const kAmrModes[8];
// The mode name of an index, out-of-range indexes giving the default "MR74".
const char* AmrModeName(int index);

}  // namespace sv
