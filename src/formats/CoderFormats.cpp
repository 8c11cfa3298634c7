// The format table's rows for the coder programs: the decoders of Ogg, FLAC, AAC, AMR, Shorten
// and the recorder formats; RealAudio and DSS through the media decoder; the VoiceIt and
// dictation formats that no decoder here reads; the five encoders with their options.
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "formats/AmrFileEncoder.h"
#include "formats/CoderCommandLines.h"
#include "formats/CoderProcess.h"
#include "formats/Components.h"
#include "formats/EncoderDialogs.h"
#include "formats/FileFormatTable.h"
#include "formats/MediaDecoder.h"
#include "formats/PipeWriter.h"
#include "formats/RawFile.h"
#include "formats/TempDecodeFile.h"
#include "formats/WavReader.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"
#include "platform/Settings.h"

namespace sv {

namespace {

const char kVoiceItPage[] = "https://www.quillon-acoustics.com/sonvela/addons/voiceit.html";

struct DecoderDefinition {
    const char* component;
    const char* decoderText;  // null: the row's text only
};

std::string DecodeFailedMessage(const std::string& path, const std::string& why) {
    return "Cannot open the file \"" + path + "\"." + (why.empty() ? "" : "\n\n" + why);
}

// Runs a decoder component into output under the open's task. The message is empty on
// success and cancel.
OpenOutcome RunDecoder(const OpenRequest& request, const char* component, const char* progressText,
                       const char* decoderText, const std::string& output, Ref<LAudioReader> (*read)(const std::string&),
                       Ref<LAudioReader>& out) {
    if (!FileExists(request.path)) return {kTaskFailed, CannotReadMessage(request.path)};
    std::string missing = MissingComponentText(request.settings, component);
    if (!missing.empty()) return {kTaskFailed, missing};
    std::string decoder;
    ComponentPath(request.settings, component, decoder);
    std::string why;
    int result = RunUnderTask(request.task, request.host, [&](LProgressTask& t) {
        t.SetText(0, progressText);
        if (decoderText) t.SetText(1, decoderText);
        int r = RunHidden(t, DecoderCommand(component, decoder, request.path, output), output, &why);
        if (r == kTaskDone) out = read(output);
        return r;
    });
    if (result == kTaskFailed) return {result, DecodeFailedMessage(request.path, why)};
    return {result, {}};
}

template <const char* Component, const char* DecoderText, const FileFormatRow* Row>
OpenOutcome OpenThroughWav(Ref<LAudioReader>& out, const OpenRequest& request) {
    TempDecodeFile temp = TempDecodeFile::Reserve();
    if (!temp.Held()) return {kTaskFailed, DecodeFailedMessage(request.path, "Aucun fichier temporaire disponible.")};
    OpenOutcome outcome = RunDecoder(request, Component, Row->progressText, DecoderText, temp.WavPath(), OpenWavReader, out);
    if (outcome.result != kTaskDone) out = MakeRef<LErrorReader>(kReaderCannotOpen);
    return outcome;
}

Ref<LAudioReader> OpenAmrRaw(const std::string& path) {
    LRawSettings raw;
    raw.sampleRate = 8000;
    raw.channels = 1;
    raw.codec = kRawPcm16Le;
    return OpenRawReader(raw, path);
}

extern const FileFormatRow kAmrRow;

// The decoder writes headerless 8000 Hz mono PCM; the raw settings then name that format.
OpenOutcome OpenAmr(Ref<LAudioReader>& out, const OpenRequest& request) {
    PrivateTempFile raw = PrivateTempFile::Create(FileNamePart(request.path), ".raw");
    if (!raw.Valid()) return {kTaskFailed, CannotReadMessage(request.path)};
    OpenOutcome outcome = RunDecoder(request, "amrdec", kAmrRow.progressText, nullptr, raw.Path(), OpenAmrRaw, out);
    if (outcome.result != kTaskDone) {
        out = MakeRef<LErrorReader>(kReaderCannotOpen);
        return outcome;
    }
    LRawSettings stored = LoadRawSettings(request.settings, "RawAudio", 44100, kRawPcm16Le);
    stored.sampleRate = 8000;
    stored.channels = 1;
    stored.codec = kRawPcm16Le;
    StoreRawSettings(request.settings, "RawAudio", stored);
    if (!out || out->errorCode != kReaderOk) return {kTaskFailed, CannotReadMessage(request.path)};
    return outcome;
}

// RealAudio and DSS: the media decoder reads what it can of them.
OpenOutcome OpenWithMedia(Ref<LAudioReader>& out, const OpenRequest& request, const char* progressText,
                          const char* decoderText, const std::string& missingText, const std::string& failedText) {
    out = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (!FileExists(request.path)) return {kTaskFailed, CannotReadMessage(request.path)};
    if (!ProgramAvailable(kMediaDecoderProgram)) return {kTaskFailed, missingText};
    int result = RunUnderTask(request.task, request.host, [&](LProgressTask& t) {
        t.SetText(0, progressText);
        t.SetText(1, decoderText);
        TempDecodeFile temp = TempDecodeFile::Reserve();
        if (!temp.Held()) return static_cast<int>(kTaskFailed);
        int r = DecodeWithMediaDecoder(t, request.path, temp.WavPath());
        if (r == kTaskDone) out = OpenWavReader(temp.WavPath());
        return r;
    });
    return {result, result == kTaskFailed ? failedText : std::string()};
}

extern const FileFormatRow kRealAudioRow;
extern const FileFormatRow kDssRow;

OpenOutcome OpenRealAudio(Ref<LAudioReader>& out, const OpenRequest& request) {
    return OpenWithMedia(out, request, kRealAudioRow.progressText, "Decoding Real Audio",
                         "Unable to load Real Audio Core DLL.\r\n\r\nThis software required that the Real Audio Player "
                         "be installed on your computer to load these files. Please download and install an uptodate "
                         "version of Real Player.",
                         "Unable to open file with Real Player.\r\n\r\nThis might mean you do not have the codec "
                         "installed.\r\n\r\nTo resolve this, attempt to load the file using Real Player manually.");
}

OpenOutcome OpenDss(Ref<LAudioReader>& out, const OpenRequest& request) {
    return OpenWithMedia(out, request, kDssRow.progressText, "Decoding DSS File", "Unable to start decoding DSS file.",
                         "Unable to open DSS file.\r\nThis means the file might not be a true DSS file or the file is "
                         "corrupt.");
}

OpenOutcome OpenVoiceIt(Ref<LAudioReader>& out, const OpenRequest& request) {
    out = MakeRef<LErrorReader>(kReaderCodecMissing);
    if (!FileExists(request.path)) return {kTaskFailed, CannotReadMessage(request.path)};
    return {kTaskFailed, std::string("Unable to load the VoiceIt file SrPump.dll.\r\n\r\nPlease download and install "
                                     "the VoiceIt addon from ") +
                             kVoiceItPage + "."};
}

OpenOutcome OpenDictation(Ref<LAudioReader>& out, const OpenRequest& request) {
    out = MakeRef<LErrorReader>(kReaderCodecMissing);
    if (!FileExists(request.path)) return {kTaskFailed, CannotReadMessage(request.path)};
    return {kTaskFailed, "DCT File load error"};
}

// Encoders.

template <const char* Component>
bool ComponentPresent(const SaveRequest& request) {
    return EnsureComponent(request.host, request.settings, Component) == 0;
}

template <const char* Component, typename Values,
          EncoderCommand (*Command)(const std::string&, const std::string&, std::int32_t, std::uint8_t, const Values&)>
Ref<LAudioWriter> CreateEncoderWriter(const SaveRequest& request) {
    std::string encoder;
    if (!ComponentPath(request.settings, Component, encoder))
        return MakeRef<LErrorWriter>(MissingComponentText(request.settings, Component));
    const std::uint8_t channels = request.channels > 2 ? 2 : std::max<std::uint8_t>(request.channels, 1);
    EncoderCommand c = Command(encoder, request.path, request.rate, channels, Values::Load(request.settings));
    return MakeRef<LPipeWriter>(c.argv, request.path, c.rate, c.channels, request.task);
}

Ref<LAudioWriter> CreateAmrWriter(const SaveRequest& request) {
    return CreateAmrFileWriter(request.path, request.settings, request.task);
}

bool Mp3Options(const SaveRequest& r) { return ShowMp3EncodeDialog(*r.host, r.settings); }
bool OggOptions(const SaveRequest& r) { return ShowOggEncodeDialog(*r.host, r.settings, r.channels); }
bool FlacOptions(const SaveRequest& r) { return ShowFlacEncodeDialog(*r.host, r.settings); }
bool AacOptions(const SaveRequest& r) { return ShowAacEncodeDialog(*r.host, r.settings); }
bool AmrOptions(const SaveRequest& r) { return ShowAmrEncodeDialog(*r.host, r.settings); }

FileFormatRow DecoderRow(std::vector<std::string> extensions,
                         OpenOutcome (*open)(Ref<LAudioReader>&, const OpenRequest&), const char* progressText) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.open = open;
    row.progressText = progressText;
    return row;
}

FileFormatRow EncoderRow(std::vector<std::string> extensions, Ref<LAudioWriter> (*create)(const SaveRequest&),
                         bool (*options)(const SaveRequest&), bool (*available)(const SaveRequest&)) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.createWriter = create;
    row.saveOptions = options;
    row.encoderAvailable = available;
    return row;
}

const char kOggDec[] = "oggdec", kFlacDec[] = "flacdec", kAacDec[] = "aacdec", kShnDec[] = "shndec",
           kActDec[] = "actdec";
const char kMp3El[] = "mp3el", kOggEnc[] = "oggenc", kFlacEnc[] = "flacenc", kAacEnc[] = "aacenc",
           kAmrEnc[] = "amrenc";
const char kOggText[] = "Decoding Ogg file", kFlacText[] = "Decoding FLAC file", kAacText[] = "Decoding AAC file",
           kShnText[] = "Decoding Shn file", kActText[] = "Decoding Record file";

extern const FileFormatRow kAacRow, kOggRow, kFlacRow, kShnRow, kActRow;

const FileFormatRow kAacRow =
    DecoderRow({".aac", ".m4a"}, OpenThroughWav<kAacDec, kAacText, &kAacRow>, "Loading AAC file");
const FileFormatRow kOggRow = DecoderRow({".ogg"}, OpenThroughWav<kOggDec, kOggText, &kOggRow>, "Loading OGG file");
const FileFormatRow kFlacRow =
    DecoderRow({".flac"}, OpenThroughWav<kFlacDec, kFlacText, &kFlacRow>, "Loading FLAC file");
const FileFormatRow kAmrRow = DecoderRow({".amr"}, OpenAmr, "Télécharger le fichier AMR");
const FileFormatRow kDctRow = DecoderRow({".dct"}, OpenDictation, "Loading DCT file");
const FileFormatRow kDssRow = DecoderRow({".dss"}, OpenDss, "Loading DSS file");
const FileFormatRow kRealAudioRow = DecoderRow({".ra", ".ram", ".rm", ".rmj"}, OpenRealAudio, "Loading RealAudio file");
const FileFormatRow kSriRow = DecoderRow({".sri"}, OpenVoiceIt, "Loading SRI file");
const FileFormatRow kActRow =
    DecoderRow({".act", ".rec", ".rcd"}, OpenThroughWav<kActDec, kActText, &kActRow>, "Loading Record file");
const FileFormatRow kShnRow = DecoderRow({".shn"}, OpenThroughWav<kShnDec, kShnText, &kShnRow>, "Loading Shorten file");

}  // namespace

const FileFormatRow kCoderDecoderRows[] = {kAacRow, kOggRow, kFlacRow, kAmrRow, kDctRow,
                                           kDssRow, kRealAudioRow, kSriRow, kActRow, kShnRow};
const std::size_t kCoderDecoderRowCount = std::size(kCoderDecoderRows);

const FileFormatRow kCoderEncoderRows[] = {
    EncoderRow({".mp3"}, CreateEncoderWriter<kMp3El, Mp3EncoderSettings, Mp3Command>, Mp3Options,
               ComponentPresent<kMp3El>),
    EncoderRow({".ogg"}, CreateEncoderWriter<kOggEnc, OggEncoderSettings, OggCommand>, OggOptions,
               ComponentPresent<kOggEnc>),
    EncoderRow({".flac"}, CreateEncoderWriter<kFlacEnc, FlacEncoderSettings, FlacCommand>, FlacOptions,
               ComponentPresent<kFlacEnc>),
    EncoderRow({".aac", ".m4a"}, CreateEncoderWriter<kAacEnc, AacEncoderSettings, AacCommand>, AacOptions,
               ComponentPresent<kAacEnc>),
    EncoderRow({".amr"}, CreateAmrWriter, AmrOptions, ComponentPresent<kAmrEnc>),
};
const std::size_t kCoderEncoderRowCount = std::size(kCoderEncoderRows);

}  // namespace sv
