#include "formats/EncoderSettings.h"

#include "platform/Settings.h"

namespace sv {

namespace {

int Int(const Settings* s, const char* section, const char* name, int def) {
    return s ? s->ReadIntSetting(section, name, def) : def;
}
bool Bool(const Settings* s, const char* section, const char* name, bool def) {
    return s ? s->ReadBoolSetting(section, name, def) : def;
}

}  // namespace

const char* const kAmrModes[8] = {"MR475", "MR515", "MR59", "MR67", "MR74", "MR795", "MR102", "MR122"};

const char* AmrModeName(int index) { return index >= 0 && index < 8 ? kAmrModes[index] : kAmrModes[4]; }

Mp3EncoderSettings Mp3EncoderSettings::Load(const Settings* s) {
    const char* g = "MP3Encoder";
    Mp3EncoderSettings v;
    v.constantBitRate = Bool(s, g, "ConstantBitRate", v.constantBitRate);
    v.cbrBitRate = Int(s, g, "CBRBitRate", v.cbrBitRate);
    v.highQuality = Bool(s, g, "HighQuality", v.highQuality);
    v.vbrMinBitRate = Int(s, g, "VBRMinBitRate", v.vbrMinBitRate);
    v.vbrMaxBitRate = Int(s, g, "VBRMaxBitRate", v.vbrMaxBitRate);
    v.vbrQuality = Int(s, g, "VBRQuality", v.vbrQuality);
    v.errorProtection = Bool(s, g, "ErrorProtection", v.errorProtection);
    v.channelMode = Int(s, g, "ChannelMode", v.channelMode);
    return v;
}

void Mp3EncoderSettings::Store(Settings& s) const {
    const char* g = "MP3Encoder";
    s.WriteBoolUserSetting(g, "ConstantBitRate", constantBitRate);
    s.WriteIntUserSetting(g, "CBRBitRate", cbrBitRate);
    s.WriteBoolUserSetting(g, "HighQuality", highQuality);
    s.WriteIntUserSetting(g, "VBRMinBitRate", vbrMinBitRate);
    s.WriteIntUserSetting(g, "VBRMaxBitRate", vbrMaxBitRate);
    s.WriteIntUserSetting(g, "VBRQuality", vbrQuality);
    s.WriteBoolUserSetting(g, "ErrorProtection", errorProtection);
    s.WriteIntUserSetting(g, "ChannelMode", channelMode);
}

OggEncoderSettings OggEncoderSettings::Load(const Settings* s) {
    const char* g = "OggEncoder";
    OggEncoderSettings v;
    v.quality = Bool(s, g, "Quality", v.quality);
    v.vbrQuality = Int(s, g, "VBRQuality", v.vbrQuality);
    v.vbrMinBitRate = Int(s, g, "VBRMinBitRate", v.vbrMinBitRate);
    v.vbrMaxBitRate = Int(s, g, "VBRMaxBitRate", v.vbrMaxBitRate);
    v.channels = Int(s, g, "Channels", v.channels);
    v.stripComments = Bool(s, g, "StripComments", v.stripComments);
    return v;
}

void OggEncoderSettings::Store(Settings& s) const {
    const char* g = "OggEncoder";
    s.WriteBoolUserSetting(g, "Quality", quality);
    s.WriteIntUserSetting(g, "VBRQuality", vbrQuality);
    s.WriteIntUserSetting(g, "VBRMinBitRate", vbrMinBitRate);
    s.WriteIntUserSetting(g, "VBRMaxBitRate", vbrMaxBitRate);
    s.WriteIntUserSetting(g, "Channels", channels);
    s.WriteBoolUserSetting(g, "StripComments", stripComments);
}

FlacEncoderSettings FlacEncoderSettings::Load(const Settings* s) {
    FlacEncoderSettings v;
    v.compression = Int(s, "FlacEncoder", "Compression", v.compression);
    return v;
}

void FlacEncoderSettings::Store(Settings& s) const { s.WriteIntUserSetting("FlacEncoder", "Compression", compression); }

AacEncoderSettings AacEncoderSettings::Load(const Settings* s) {
    const char* g = "AACEncoder";
    AacEncoderSettings v;
    v.averageBitRate = Bool(s, g, "AverageBitRate", v.averageBitRate);
    v.abrBitRate = Int(s, g, "ABRBitRate", v.abrBitRate);
    v.vbrQuality = Int(s, g, "VBRQuality", v.vbrQuality);
    v.forceMpeg2 = Bool(s, g, "ForceMPEG2", v.forceMpeg2);
    v.disableTns = Bool(s, g, "DisableTNS", v.disableTns);
    return v;
}

void AacEncoderSettings::Store(Settings& s) const {
    const char* g = "AACEncoder";
    s.WriteBoolUserSetting(g, "AverageBitRate", averageBitRate);
    s.WriteIntUserSetting(g, "ABRBitRate", abrBitRate);
    s.WriteIntUserSetting(g, "VBRQuality", vbrQuality);
    s.WriteBoolUserSetting(g, "ForceMPEG2", forceMpeg2);
    s.WriteBoolUserSetting(g, "DisableTNS", disableTns);
}

AmrEncoderSettings AmrEncoderSettings::Load(const Settings* s) {
    AmrEncoderSettings v;
    v.modeRateSelection = Int(s, "AMREncoder", "ModeRateSelection", v.modeRateSelection);
    return v;
}

void AmrEncoderSettings::Store(Settings& s) const {
    s.WriteIntUserSetting("AMREncoder", "ModeRateSelection", modeRateSelection);
}

}  // namespace sv
