#include "formats/EncoderSettings.h"

#include "platform/Settings.h"

namespace sv {

namespace {

// Each section's values are named once, in a Fields function taking either side: Reader fills
// a value from the store (its default when absent), Writer stores it.
struct Reader {
    const Settings* s;
    const char* section;
    void operator()(const char* name, bool& v) const { v = s ? s->ReadBoolSetting(section, name, v) : v; }
    void operator()(const char* name, int& v) const { v = s ? s->ReadIntSetting(section, name, v) : v; }
};

struct Writer {
    Settings& s;
    const char* section;
    void operator()(const char* name, bool v) const { s.WriteBoolUserSetting(section, name, v); }
    void operator()(const char* name, int v) const { s.WriteIntUserSetting(section, name, v); }
};

template <typename Io>
void Fields(const Io& io, Mp3EncoderSettings& v) {
    io("ConstantBitRate", v.constantBitRate);
    io("CBRBitRate", v.cbrBitRate);
    io("HighQuality", v.highQuality);
    io("VBRMinBitRate", v.vbrMinBitRate);
    io("VBRMaxBitRate", v.vbrMaxBitRate);
    io("VBRQuality", v.vbrQuality);
    io("ErrorProtection", v.errorProtection);
    io("ChannelMode", v.channelMode);
}

template <typename Io>
void Fields(const Io& io, OggEncoderSettings& v) {
    io("Quality", v.quality);
    io("VBRQuality", v.vbrQuality);
    io("VBRMinBitRate", v.vbrMinBitRate);
    io("VBRMaxBitRate", v.vbrMaxBitRate);
    io("Channels", v.channels);
    io("StripComments", v.stripComments);
}

template <typename Io>
void Fields(const Io& io, FlacEncoderSettings& v) {
    io("Compression", v.compression);
}

template <typename Io>
void Fields(const Io& io, AacEncoderSettings& v) {
    io("AverageBitRate", v.averageBitRate);
    io("ABRBitRate", v.abrBitRate);
    io("VBRQuality", v.vbrQuality);
    io("ForceMPEG2", v.forceMpeg2);
    io("DisableTNS", v.disableTns);
}

template <typename Io>
void Fields(const Io& io, AmrEncoderSettings& v) {
    io("ModeRateSelection", v.modeRateSelection);
}

template <typename V>
V LoadFields(const Settings* s, const char* section) {
    V v;
    Fields(Reader{s, section}, v);
    return v;
}

template <typename V>
void StoreFields(Settings& s, const char* section, V v) {
    Fields(Writer{s, section}, v);
}

}  // namespace

const char* const kAmrModes[8] = {"MR475", "MR515", "MR59", "MR67", "MR74", "MR795", "MR102", "MR122"};

const char* AmrModeName(int index) { return index >= 0 && index < 8 ? kAmrModes[index] : kAmrModes[4]; }

Mp3EncoderSettings Mp3EncoderSettings::Load(const Settings* s) { return LoadFields<Mp3EncoderSettings>(s, "MP3Encoder"); }
void Mp3EncoderSettings::Store(Settings& s) const { StoreFields(s, "MP3Encoder", *this); }

OggEncoderSettings OggEncoderSettings::Load(const Settings* s) { return LoadFields<OggEncoderSettings>(s, "OggEncoder"); }
void OggEncoderSettings::Store(Settings& s) const { StoreFields(s, "OggEncoder", *this); }

FlacEncoderSettings FlacEncoderSettings::Load(const Settings* s) { return LoadFields<FlacEncoderSettings>(s, "FlacEncoder"); }
void FlacEncoderSettings::Store(Settings& s) const { StoreFields(s, "FlacEncoder", *this); }

AacEncoderSettings AacEncoderSettings::Load(const Settings* s) { return LoadFields<AacEncoderSettings>(s, "AACEncoder"); }
void AacEncoderSettings::Store(Settings& s) const { StoreFields(s, "AACEncoder", *this); }

AmrEncoderSettings AmrEncoderSettings::Load(const Settings* s) { return LoadFields<AmrEncoderSettings>(s, "AMREncoder"); }
void AmrEncoderSettings::Store(Settings& s) const { StoreFields(s, "AMREncoder", *this); }

}  // namespace sv
