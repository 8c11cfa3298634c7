#include "formats/EncoderDialogs.h"

#include "core/Host.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace sv {

namespace {

using Kind = DialogField::Kind;

const char kCaption[] = "Options de l'encodeur";

std::string B(bool v) { return v ? "1" : "0"; }

std::vector<std::string> BitRateChoices() {
    std::vector<std::string> list;
    for (int r : kMp3BitRates) list.push_back(std::to_string(r) + " kbit/s");
    return list;
}

int BitRateIndex(int rate) {
    // The nearest offered rate, so that a stored value outside the list still shows something.
    int best = 0;
    for (int i = 0; i < static_cast<int>(std::size(kMp3BitRates)); ++i)
        if (std::abs(kMp3BitRates[i] - rate) < std::abs(kMp3BitRates[best] - rate)) best = i;
    return best;
}

int BitRateAt(const DialogSpec& s, const std::string& id) {
    int i = std::max(0, std::min(s.IntValue(id), static_cast<int>(std::size(kMp3BitRates)) - 1));
    return kMp3BitRates[i];
}

std::vector<std::string> NumberedList(int last, const char* firstLabel, const char* lastLabel) {
    std::vector<std::string> list;
    for (int i = 0; i <= last; ++i) {
        std::string text = std::to_string(i);
        if (i == 0) text += std::string(" (") + firstLabel + ")";
        if (i == last) text += std::string(" (") + lastLabel + ")";
        list.push_back(text);
    }
    return list;
}

int ClampIndex(int v, int last) { return std::max(0, std::min(v, last)); }

std::optional<DialogRefusal> Refuse(const std::string& text, const std::string& field) {
    return DialogRefusal{text, "Valeur Invalide", MsgIcon::Error, field};
}

}  // namespace

const int kMp3BitRates[18] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};

DialogSpec Mp3EncodeDialog(const Mp3EncoderSettings& v) {
    DialogSpec spec;
    spec.resource = "LMp3EncodeDlg";
    spec.caption = kCaption;
    spec.fields = {
        {"mode", "Mode :", Kind::Choice, v.constantBitRate ? "0" : "1", {"Débit constant (CBR)", "Débit variable (VBR)"}},
        {"cbr", "Débit constant :", Kind::Choice, std::to_string(BitRateIndex(v.cbrBitRate)), BitRateChoices()},
        {"highQuality", "Haute qualité", Kind::Check, B(v.highQuality), {}},
        {"vbrMin", "Débit minimum :", Kind::Choice, std::to_string(BitRateIndex(v.vbrMinBitRate)), BitRateChoices()},
        {"vbrMax", "Débit maximum :", Kind::Choice, std::to_string(BitRateIndex(v.vbrMaxBitRate)), BitRateChoices()},
        {"vbrQuality", "Qualité :", Kind::Choice, std::to_string(ClampIndex(v.vbrQuality, 9)),
         NumberedList(9, "Highest", "Lowest")},
        {"crc", "Protection contre les erreurs (CRC)", Kind::Check, B(v.errorProtection), {}},
        {"channelMode", "Canaux :", Kind::Choice, std::to_string(v.channelMode > 3 || v.channelMode < 0 ? 1 : v.channelMode),
         {"Stereo", "Joint", "Force", "Mono"}},
    };
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (s.IntValue("mode") == 1 && BitRateAt(s, "vbrMin") > BitRateAt(s, "vbrMax"))
            return Refuse("Le débit minimum doit être inférieur ou égal au débit maximum.", "vbrMin");
        return std::nullopt;
    };
    return spec;
}

Mp3EncoderSettings Mp3EncodeValues(const DialogSpec& s) {
    Mp3EncoderSettings v;
    v.constantBitRate = s.IntValue("mode") == 0;
    v.cbrBitRate = BitRateAt(s, "cbr");
    v.highQuality = s.IntValue("highQuality") != 0;
    v.vbrMinBitRate = BitRateAt(s, "vbrMin");
    v.vbrMaxBitRate = BitRateAt(s, "vbrMax");
    v.vbrQuality = ClampIndex(s.IntValue("vbrQuality"), 9);
    v.errorProtection = s.IntValue("crc") != 0;
    v.channelMode = ClampIndex(s.IntValue("channelMode"), 3);
    return v;
}

DialogSpec OggEncodeDialog(const OggEncoderSettings& v, std::uint8_t channels) {
    DialogSpec spec;
    spec.resource = "OggEncodeDlg";
    spec.caption = kCaption;
    spec.fields = {
        {"mode", "Mode :", Kind::Choice, v.quality ? "0" : "1", {"Qualité", "Débit géré"}},
        {"quality", "Qualité :", Kind::Choice, std::to_string(ClampIndex(v.vbrQuality, 10)),
         NumberedList(10, "Lowest", "Highest")},
        {"min", "Débit minimum (kbit/s) :", Kind::Integer, std::to_string(v.vbrMinBitRate), {}},
        {"max", "Débit maximum (kbit/s) :", Kind::Integer, std::to_string(v.vbrMaxBitRate), {}},
        {"channels", "Canaux :", Kind::Choice, channels >= 2 ? "1" : "0", {"Mono", "Stereo"}},
        {"strip", "Supprimer les commentaires", Kind::Check, B(v.stripComments), {}},
    };
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (s.IntValue("mode") != 1) return std::nullopt;
        const int min = s.IntValue("min"), max = s.IntValue("max");
        if (min < 8 || min > 500) return Refuse("Le débit minimum doit être compris entre 8 et 500 kbit/s.", "min");
        if (max < min || max > 500)
            return Refuse("Le débit maximum doit être compris entre le débit minimum et 500 kbit/s.", "max");
        return std::nullopt;
    };
    return spec;
}

OggEncoderSettings OggEncodeValues(const DialogSpec& s) {
    OggEncoderSettings v;
    v.quality = s.IntValue("mode") == 0;
    v.vbrQuality = ClampIndex(s.IntValue("quality"), 10);
    v.vbrMinBitRate = s.IntValue("min");
    v.vbrMaxBitRate = s.IntValue("max");
    v.channels = s.IntValue("channels") == 1 ? 2 : 1;
    v.stripComments = s.IntValue("strip") != 0;
    return v;
}

DialogSpec FlacEncodeDialog(const FlacEncoderSettings& v) {
    DialogSpec spec;
    spec.resource = "FlacEncodeDlg";
    spec.caption = kCaption;
    spec.fields = {
        {"compression", "Compression :", Kind::Choice, std::to_string(ClampIndex(v.compression, 8)),
         NumberedList(8, "fastest", "best")},
        {"note", "Le fichier garde la fréquence et les canaux du son.", Kind::Label, "", {}},
    };
    return spec;
}

FlacEncoderSettings FlacEncodeValues(const DialogSpec& s) {
    FlacEncoderSettings v;
    v.compression = ClampIndex(s.IntValue("compression"), 8);
    return v;
}

DialogSpec AacEncodeDialog(const AacEncoderSettings& v) {
    DialogSpec spec;
    spec.resource = "LAACEncodeDlg";
    spec.caption = kCaption;
    spec.fields = {
        {"mode", "Mode :", Kind::Choice, v.averageBitRate ? "1" : "0", {"Qualité", "Débit moyen (ABR)"}},
        {"quality", "Qualité (10 à 500) :", Kind::Integer, std::to_string(v.vbrQuality), {}},
        {"abr", "Débit moyen (kbit/s) :", Kind::Integer, std::to_string(v.abrBitRate), {}},
        {"mpeg2", "Forcer MPEG-2 AAC", Kind::Check, B(v.forceMpeg2), {}},
        {"noTns", "Désactiver TNS", Kind::Check, B(v.disableTns), {}},
    };
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (s.IntValue("mode") == 0) {
            const int q = s.IntValue("quality");
            if (q < 10 || q > 500) return Refuse("La qualité doit être comprise entre 10 et 500.", "quality");
        } else {
            const int b = s.IntValue("abr");
            if (b < 8 || b > 576) return Refuse("Le débit doit être compris entre 8 et 576 kbit/s.", "abr");
        }
        return std::nullopt;
    };
    return spec;
}

AacEncoderSettings AacEncodeValues(const DialogSpec& s) {
    AacEncoderSettings v;
    v.averageBitRate = s.IntValue("mode") == 1;
    v.vbrQuality = s.IntValue("quality");
    v.abrBitRate = s.IntValue("abr");
    v.forceMpeg2 = s.IntValue("mpeg2") != 0;
    v.disableTns = s.IntValue("noTns") != 0;
    return v;
}

DialogSpec AmrEncodeDialog(const AmrEncoderSettings& v) {
    DialogSpec spec;
    spec.resource = "LAMREncodeDlg";
    spec.caption = kCaption;
    static const char* const kLabels[8] = {"4,75 kbit/s", "5,15 kbit/s", "5,9 kbit/s",  "6,7 kbit/s",
                                           "7,4 kbit/s",  "7,95 kbit/s", "10,2 kbit/s", "12,2 kbit/s"};
    DialogField mode{"mode", "Débit :", Kind::Choice,
                     std::to_string(v.modeRateSelection >= 0 && v.modeRateSelection < 8 ? v.modeRateSelection : 4), {}};
    for (int i = 0; i < 8; ++i) mode.choices.push_back(std::string(kAmrModes[i]) + " (" + kLabels[i] + ")");
    spec.fields = {mode};
    return spec;
}

AmrEncoderSettings AmrEncodeValues(const DialogSpec& s) {
    AmrEncoderSettings v;
    v.modeRateSelection = ClampIndex(s.IntValue("mode"), 7);
    return v;
}

namespace {

template <typename Values, typename Make, typename Read>
bool ShowAndStore(Host& host, Settings* settings, Make make, Read read) {
    DialogSpec spec = make(Values::Load(settings));
    if (!host.RunDialog(spec)) return false;
    if (settings) read(spec).Store(*settings);
    return true;
}

}  // namespace

bool ShowMp3EncodeDialog(Host& host, Settings* settings) {
    return ShowAndStore<Mp3EncoderSettings>(host, settings, Mp3EncodeDialog, Mp3EncodeValues);
}

bool ShowOggEncodeDialog(Host& host, Settings* settings, std::uint8_t channels) {
    return ShowAndStore<OggEncoderSettings>(
        host, settings, [channels](const OggEncoderSettings& v) { return OggEncodeDialog(v, channels); }, OggEncodeValues);
}

bool ShowFlacEncodeDialog(Host& host, Settings* settings) {
    return ShowAndStore<FlacEncoderSettings>(host, settings, FlacEncodeDialog, FlacEncodeValues);
}

bool ShowAacEncodeDialog(Host& host, Settings* settings) {
    return ShowAndStore<AacEncoderSettings>(host, settings, AacEncodeDialog, AacEncodeValues);
}

bool ShowAmrEncodeDialog(Host& host, Settings* settings) {
    return ShowAndStore<AmrEncoderSettings>(host, settings, AmrEncodeDialog, AmrEncodeValues);
}

}  // namespace sv
