#include "formats/WavSaveFormat.h"

#include "core/Host.h"
#include "formats/AcmStream.h"
#include "formats/AlawCodec.h"
#include "formats/BinaryFile.h"
#include "formats/FloatCodec.h"
#include "formats/GsmCodec.h"
#include "formats/ImaAdpcmCodec.h"
#include "formats/MsAdpcmCodec.h"
#include "formats/MulawCodec.h"
#include "platform/Paths.h"

#include <algorithm>
#include <vector>

namespace sv {

namespace {

const char* const kCaption = "Sélectionner Fichier au Format Wave";

struct ChooserEntry {
    const char* name;
    std::uint16_t tag;
};
const ChooserEntry kFormats[] = {
    {"PCM", kWaveFormatPcm},           {"IEEE Float", kWaveFormatIeeeFloat},      {"CCITT A-Law", kWaveFormatAlaw},
    {"CCITT u-Law", kWaveFormatMulaw}, {"IMA ADPCM", kWaveFormatImaAdpcm},        {"Microsoft ADPCM", kWaveFormatMsAdpcm},
    {"GSM 6.10", kWaveFormatGsm610},
};
const std::int32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};
const std::uint16_t kBits[] = {8, 16, 24, 32, 64};

WAVEFORMATEX MakeFormat(std::uint16_t tag, std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    switch (tag) {
    case kWaveFormatIeeeFloat: return MakeFloatFormat(rate, channels, bits);
    case kWaveFormatAlaw: return MakeAlawFormat(rate, channels);
    case kWaveFormatMulaw: return MakeMulawFormat(rate, channels);
    case kWaveFormatImaAdpcm: return MakeImaAdpcmFormat(rate, channels);
    case kWaveFormatMsAdpcm: return MakeMsAdpcmFormat(rate, channels);
    case kWaveFormatGsm610: {
        WAVEFORMATEX f = MakeGsmFormat(rate);
        f.channels = channels;  // a stereo request stays stereo, for the query to refuse
        return f;
    }
    default: return MakePcmFormat(rate, channels, bits);
    }
}

bool Writable(const WAVEFORMATEX& f) {
    if (f.formatTag == kWaveFormatPcm) return true;
    WAVEFORMATEX pcm = MakePcmFormat(f.samplesPerSec, f.channels, 16);
    return AcmStream::Query(pcm, f, 0) || AcmStream::Query(pcm, f, kAcmOpenNonRealTime);
}

template <class T, std::size_t N>
int IndexOf(const T (&list)[N], T value, int fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (list[i] == value) return static_cast<int>(i);
    return fallback;
}

}  // namespace

std::string WavSaveFormatPath() { return JoinPath(UserDataHome(), "WavCodec.wff"); }

bool LoadWavSaveFormat(WAVEFORMATEX& inOut) {
    BinaryFile file;
    if (!file.Open(WavSaveFormatPath(), BinaryFile::Mode::ReadExisting)) return false;
    // The file is read over the default record, as far as it goes.
    std::vector<std::uint8_t> bytes = inOut.Serialize();
    bytes.resize(kWavSaveFormatBytes, 0);
    long got = file.Read(bytes.data(), bytes.size());
    WAVEFORMATEX stored;
    if (got > 0 && WAVEFORMATEX::Parse(bytes.data(), bytes.size(), stored) && stored.channels >= 1 &&
        stored.channels <= 255 && stored.samplesPerSec >= 1 && stored.samplesPerSec <= 196000) {
        inOut = stored;
    }
    return got == static_cast<long>(kWavSaveFormatBytes);
}

bool StoreWavSaveFormat(const WAVEFORMATEX& format) {
    std::vector<std::uint8_t> bytes = format.Serialize();
    if (bytes.size() > kWavSaveFormatBytes) return false;
    bytes.resize(kWavSaveFormatBytes, 0);
    EnsureFolder(UserDataHome());
    BinaryFile file;
    if (!file.Open(WavSaveFormatPath(), BinaryFile::Mode::CreateAlways)) return false;
    return file.Write(bytes.data(), bytes.size()) && file.Close();
}

std::uint8_t WavSaveChannels(std::uint8_t channels) {
    WAVEFORMATEX stored = MakePcmFormat(44100, channels, 16);
    LoadWavSaveFormat(stored);
    return stored.formatTag == kWaveFormatGsm610 ? 1 : channels;
}

WAVEFORMATEX AdaptWavSaveFormat(const WAVEFORMATEX& stored, std::int32_t rate, std::uint8_t channels) {
    auto r = static_cast<std::uint32_t>(rate);
    if (stored.formatTag == kWaveFormatPcm) return MakePcmFormat(r, channels, stored.bitsPerSample ? stored.bitsPerSample : 16);
    if (stored.samplesPerSec == r && stored.channels == channels) return stored;
    return MakeFormat(stored.formatTag, r, channels, stored.bitsPerSample);
}

bool ChooseWavSaveFormat(Host& host, std::int32_t rate, std::uint8_t channels, WAVEFORMATEX& chosen) {
    WAVEFORMATEX start = MakePcmFormat(static_cast<std::uint32_t>(rate), channels, 16);
    LoadWavSaveFormat(start);
    if (start.formatTag == kWaveFormatPcm && channels > 0) start = MakePcmFormat(start.samplesPerSec, channels, start.bitsPerSample);

    DialogSpec spec;
    spec.resource = "WavFormatChooser";
    spec.caption = kCaption;
    DialogField format{"format", "Format :", DialogField::Kind::Choice, "0", {}};
    for (const auto& f : kFormats) format.choices.push_back(f.name);
    int formatIndex = 0;
    for (std::size_t i = 0; i < std::size(kFormats); ++i)
        if (kFormats[i].tag == start.formatTag) formatIndex = static_cast<int>(i);
    format.value = std::to_string(formatIndex);
    DialogField rates{"rate", "Fréquence :", DialogField::Kind::Choice, "", {}};
    std::vector<std::int32_t> rateList(std::begin(kRates), std::end(kRates));
    if (std::find(rateList.begin(), rateList.end(), static_cast<std::int32_t>(start.samplesPerSec)) == rateList.end()) {
        rateList.push_back(static_cast<std::int32_t>(start.samplesPerSec));
        std::sort(rateList.begin(), rateList.end());
    }
    for (std::int32_t r : rateList) rates.choices.push_back(std::to_string(r) + " Hz");
    rates.value = std::to_string(std::find(rateList.begin(), rateList.end(), static_cast<std::int32_t>(start.samplesPerSec)) - rateList.begin());
    DialogField chans{"channels", "Canaux :", DialogField::Kind::Choice, start.channels >= 2 ? "1" : "0",
                      {"Mono", "Stéréo"}};
    DialogField bits{"bits", "Bits par échantillon :", DialogField::Kind::Choice, "", {}};
    for (std::uint16_t b : kBits) bits.choices.push_back(std::to_string(b) + " bits");
    bits.value = std::to_string(IndexOf<std::uint16_t>(kBits, start.bitsPerSample, 1));
    spec.fields = {format, rates, chans, bits};

    auto build = [rateList](const DialogSpec& s) {
        auto at = [](int i, int n) { return std::max(0, std::min(i, n - 1)); };
        std::uint16_t tag = kFormats[at(s.IntValue("format"), static_cast<int>(std::size(kFormats)))].tag;
        std::int32_t r = rateList[static_cast<std::size_t>(at(s.IntValue("rate"), static_cast<int>(rateList.size())))];
        std::uint16_t ch = s.IntValue("channels") == 1 ? 2 : 1;
        std::uint16_t b = kBits[at(s.IntValue("bits"), static_cast<int>(std::size(kBits)))];
        return MakeFormat(tag, static_cast<std::uint32_t>(r), ch, b);
    };
    spec.validate = [build](const DialogSpec& s) -> std::optional<DialogRefusal> {
        WAVEFORMATEX f = build(s);
        bool ok = f.formatTag == kWaveFormatPcm ? f.bitsPerSample <= 32 : Writable(f);
        if (ok) return std::nullopt;
        return DialogRefusal{"Le format requis n’est pas disponible car le CODEC nécessaire n’est pas installé sur cet "
                             "ordinateur.",
                             "Format Non Disponible", MsgIcon::Error, "format"};
    };
    if (!host.RunDialog(spec)) return false;
    chosen = build(spec);
    StoreWavSaveFormat(chosen);
    return true;
}

}  // namespace sv
