#include "formats/RawFile.h"

#include "core/DialogSpec.h"
#include "core/Host.h"
#include "formats/BinaryFile.h"
#include "formats/CodedFileReader.h"
#include "formats/CodedFileWriter.h"
#include "formats/DialogicAdpcmFile.h"
#include "formats/FileFormatTable.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {

constexpr char kVoxKey[] = "VoxAudio";
constexpr char kRawKey[] = "RawAudio";
constexpr std::int32_t kVoxDefaultRate = 8000;
constexpr std::int32_t kRawDefaultRate = 44100;

bool RawCoding(std::int32_t codec, SampleCoding& coding) {
    switch (codec) {
    case kRawMulaw: coding = SampleCoding::Mulaw(); return true;
    case kRawAlaw: coding = SampleCoding::Alaw(); return true;
    case kRawPcm16Le: coding = SampleCoding::Pcm(2, false); return true;
    case kRawUnsigned8: coding = SampleCoding::Pcm(1, false, true); return true;
    case kRawSigned8: coding = SampleCoding::Pcm(1, false); return true;
    case kRawPcm16Be: coding = SampleCoding::Pcm(2, true); return true;
    default: return false;
    }
}

}  // namespace

const std::vector<std::string>& RawCodecNames() {
    static const std::vector<std::string> names = {"Dialogic ADPCM", "G711 uLaw",      "G711 aLaw",
                                                   "16 bit PCM (LE)", "8 bit unsigned", "8 bit signed",
                                                   "16 bit PCM (BE)"};
    return names;
}

LRawSettings LoadRawSettings(const Settings* settings, const std::string& key, std::int32_t defaultRate,
                             std::int32_t defaultCodec) {
    LRawSettings raw;
    raw.sampleRate = defaultRate;
    raw.codec = defaultCodec;
    if (!settings) return raw;
    raw.sampleRate = settings->ReadIntSetting(key, "SampleRate", defaultRate);
    const int channels = settings->ReadIntSetting(key, "Channels", 1);
    raw.channels = static_cast<std::uint8_t>(std::clamp(channels, 1, 255));
    raw.codec = settings->ReadIntSetting(key, "Codec", defaultCodec);
    return raw;
}

void StoreRawSettings(Settings* settings, const std::string& key, const LRawSettings& raw) {
    if (!settings) return;
    settings->WriteIntUserSetting(key, "SampleRate", raw.sampleRate);
    settings->WriteIntUserSetting(key, "Channels", raw.channels);
    settings->WriteIntUserSetting(key, "Codec", raw.codec);
}

bool ShowRawDialog(Host& host, Settings* settings, const std::string& key, std::int32_t defaultRate,
                   std::int32_t defaultCodec) {
    const LRawSettings raw = LoadRawSettings(settings, key, defaultRate, defaultCodec);
    const auto& names = RawCodecNames();
    DialogSpec spec;
    spec.resource = "LRawDlg";
    spec.caption = "Format Audio Brut";
    const int codec = raw.codec >= 0 && raw.codec < static_cast<int>(names.size()) ? raw.codec : kRawPcm16Le;
    spec.fields.push_back({"codec", "Codec :", DialogField::Kind::Choice, std::to_string(codec), names});
    spec.fields.push_back({"rate", "Fréquence d'échantillonnage (Hz) :", DialogField::Kind::Integer,
                           std::to_string(raw.sampleRate), {}});
    spec.fields.push_back({"channels", "Canaux :", DialogField::Kind::Choice, raw.channels >= 2 ? "1" : "0",
                           {"1 - Mono", "2 - Stereo"}});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int rate = s.IntValue("rate");
        if (rate >= kMinRawRate && rate <= kMaxRawRate) return std::nullopt;
        return DialogRefusal{"La fréquence d'échantillonnage doit être comprise entre 6000 et 196000 Hz.",
                             "Valeur Invalide", MsgIcon::Error, "rate"};
    };
    if (!host.RunDialog(spec)) return false;
    LRawSettings chosen;
    chosen.codec = std::clamp(spec.IntValue("codec"), 0, static_cast<int>(names.size()) - 1);
    chosen.sampleRate = spec.IntValue("rate");
    chosen.channels = spec.IntValue("channels") == 1 ? 2 : 1;
    StoreRawSettings(settings, key, chosen);
    return true;
}

Ref<LAudioReader> OpenRawReader(const LRawSettings& raw, const std::string& path) {
    SampleCoding coding;
    const bool adpcm = raw.codec == kRawDialogicAdpcm;
    if (!adpcm && !RawCoding(raw.codec, coding)) return MakeRef<LErrorReader>(kReaderCorrupt);
    if (raw.sampleRate <= 0) return MakeRef<LErrorReader>(kReaderCorrupt);
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return MakeRef<LErrorReader>(kReaderCannotOpen);
    if (adpcm) return MakeRef<LDialogicAdpcmReader>(std::move(file), raw.sampleRate);
    return MakeRef<LCodedFileReader>(std::move(file), coding, std::max<std::uint8_t>(raw.channels, 1), raw.sampleRate,
                                     0, -1);
}

Ref<LAudioWriter> CreateRawWriter(const LRawSettings& raw, const std::string& path) {
    if (raw.sampleRate <= 0) return MakeRef<LErrorWriter>("Fréquence d'échantillonnage invalide.");
    if (raw.codec == kRawDialogicAdpcm) return MakeRef<LDialogicAdpcmWriter>(path, raw.sampleRate);
    SampleCoding coding;
    if (!RawCoding(raw.codec, coding)) return MakeRef<LErrorWriter>("Codec de fichier brut inconnu.");
    return MakeRef<LCodedFileWriter>(path, coding, raw.sampleRate, std::max<std::uint8_t>(raw.channels, 1));
}

namespace {

// The rows of the two keys differ only in their key and defaults.
template <const char* Key, std::int32_t DefaultRate, std::int32_t DefaultCodec>
struct RawRow {
    static LRawSettings Load(const Settings* settings) { return LoadRawSettings(settings, Key, DefaultRate, DefaultCodec); }

    static OpenOutcome Open(Ref<LAudioReader>& out, const OpenRequest& request) {
        if (request.askRaw && *request.askRaw) {
            *request.askRaw = false;
            if (!ShowRawDialog(request.host, request.settings, Key, DefaultRate, DefaultCodec)) {
                out = MakeRef<LErrorReader>(kReaderCannotOpen);
                return {1, {}};
            }
        }
        out = OpenRawReader(Load(request.settings), request.path);
        if (out->errorCode == kReaderOk) return {0, {}};
        return {2, CannotReadMessage(request.path)};
    }

    static Ref<LAudioWriter> Create(const SaveRequest& request) { return CreateRawWriter(Load(request.settings), request.path); }

    static bool Options(const SaveRequest& request) {
        return ShowRawDialog(*request.host, request.settings, Key, DefaultRate, DefaultCodec);
    }
};

using VoxRow = RawRow<kVoxKey, kVoxDefaultRate, kRawDialogicAdpcm>;
using PlainRawRow = RawRow<kRawKey, kRawDefaultRate, kRawPcm16Le>;

template <class Row>
FileFormatRow MakeRow(std::vector<std::string> extensions, bool saves = true) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.open = Row::Open;
    if (saves) {
        row.createWriter = Row::Create;
        row.saveOptions = Row::Options;
    }
    return row;
}

}  // namespace

const FileFormatRow kVoxFormatRow = MakeRow<VoxRow>({".vox"});
const FileFormatRow kRawFormatRow = MakeRow<PlainRawRow>({".raw"});
// ".snd" opens as raw samples but is not written.
const FileFormatRow kSndFormatRow = MakeRow<PlainRawRow>({".snd"}, false);

}  // namespace sv
