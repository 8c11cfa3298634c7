#include "formats/AudioFileIo.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/TagSet.h"
#include "core/Workspace.h"
#include "effects/OutputLimiter.h"
#include "formats/ConversionChain.h"
#include "formats/MediaDecoder.h"
#include "formats/Mp3Reader.h"
#include "formats/TagFiles.h"
#include "formats/TempDecodeFile.h"
#include "formats/WavReader.h"
#include "formats/WavSaveFormat.h"
#include "formats/WavWriter.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {

namespace {

const char kFormatHelpPage[] = "https://www.quillon-acoustics.com/sonvela/help/audio-formats.html";
const char kCodecHelpPage[] = "https://www.quillon-acoustics.com/sonvela/help/voice-recorder-codec.html";

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string CorruptMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) + " because it is corrupt.";
}

std::string WavOpenMessage(int code, const std::string& path) {
    switch (code) {
    case kReaderCorrupt: return CorruptMessage(path);
    case kReaderCannotOpen: return CannotReadMessage(path);
    case kReaderCodecMissing:
        return "Cannot open the file " + Quoted(path) +
               " because the required ACM codec is not installed on this PC.\r\n\r\nOpen the file with Windows Media "
               "Player to auto-install the codec then reattempt to load it.";
    default: return "Cannot open the file " + Quoted(path) + ".";
    }
}

std::string Mp3OpenMessage(int code, const std::string& path) {
    if (code == kReaderCannotOpen) return CannotReadMessage(path);
    return "Cannot open the file " + Quoted(path) + ". It is possibly either corrupt or not a true layer-3 MPEG file.";
}

std::string WmaMessage(const std::string& path) {
    return "Cannot open file " + Quoted(path) +
           ". It is possible that the file does not exist, it is corrupt or the file is protected with Digital Rights "
           "Management (DRM) which limits the recording to limited players.";
}

std::string CodecMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) +
           " because the codec is not installed. Please download the Sony codec following the links from " +
           kCodecHelpPage + ".";
}

void ReportOpenFailure(Host& host, bool* showErrors, const std::string& text) {
    if (showErrors && !*showErrors) return;
    host.MessageBox(text, "", MsgIcon::Error, MsgButtons::Ok);
    if (showErrors) *showErrors = false;
}

// How a row of the open table reads its files. The Pending kinds belong to formats whose
// reader or decoder is not part of this build yet: they fail with the format message.
enum class Via { Wav, Mp3, PendingReader, PendingRaw, PendingDecoder, MediaDecoder };

struct OpenRow {
    const char* extensions[4];
    Via via;
    const char* progressText;
};

// In the order of lookup; the media decoder serves every extension not listed.
const OpenRow kOpenTable[] = {
    {{".wav"}, Via::Wav, nullptr},
    {{".mp3"}, Via::Mp3, nullptr},
    {{".aif", ".aiff"}, Via::PendingReader, nullptr},
    {{".au"}, Via::PendingReader, nullptr},
    {{".gsm"}, Via::PendingReader, nullptr},
    {{".vox"}, Via::PendingRaw, nullptr},
    {{".raw", ".snd"}, Via::PendingRaw, nullptr},
    {{".aac", ".m4a"}, Via::PendingDecoder, "Loading AAC file"},
    {{".ogg"}, Via::PendingDecoder, "Loading OGG file"},
    {{".flac"}, Via::PendingDecoder, "Loading FLAC file"},
    {{".amr"}, Via::PendingDecoder, "Télécharger le fichier AMR"},
    {{".dct"}, Via::PendingDecoder, "Loading DCT file"},
    {{".wma"}, Via::MediaDecoder, "Loading WMA file"},
    {{".dss"}, Via::PendingDecoder, "Loading DSS file"},
    {{".ra", ".ram", ".rm", ".rmj"}, Via::PendingDecoder, "Loading RealAudio file"},
    {{".sri"}, Via::PendingDecoder, "Loading SRI file"},
    {{".act", ".rec", ".rcd"}, Via::PendingDecoder, "Loading Record file"},
    {{".shn"}, Via::PendingDecoder, "Loading Shorten file"},
};
const OpenRow kOtherRow = {{nullptr}, Via::MediaDecoder, "Loading with DirectX"};

const OpenRow& FindOpenRow(const std::string& ext) {
    for (const OpenRow& row : kOpenTable)
        for (const char* e : row.extensions)
            if (e && ext == e) return row;
    return kOtherRow;
}

// Runs work under task when one is running, else under a progress dialog of its own.
int RunUnder(LProgressTask* task, Host& host, const std::function<int(LProgressTask&)>& work) {
    if (task) return work(*task);
    FunctionTask own("Sonvela", work);
    RunTask(host, own);
    return own.Result();
}

int OpenThroughMediaDecoder(Ref<LAudioReader>& out, const std::string& path, const std::string& ext,
                            const OpenRow& row, bool* showErrors, Host& host, LProgressTask* task) {
    int result = RunUnder(task, host, [&](LProgressTask& t) {
        t.SetText(0, row.progressText);
        TempDecodeFile temp = TempDecodeFile::Reserve();
        if (!temp.Held()) return static_cast<int>(kTaskFailed);
        int decoded = DecodeWithMediaDecoder(t, path, temp.WavPath());
        // A reader error here is left to the caller, which sees the reader's code.
        if (decoded == kTaskDone) out = OpenWavReader(temp.WavPath());
        return decoded;
    });
    if (result == kTaskDone) return kOpenDone;
    out = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (result != kTaskFailed) return result;
    if (ext == ".wma")
        ReportOpenFailure(host, showErrors, WmaMessage(path));
    else if (!FileExists(path))
        ReportOpenFailure(host, showErrors, CannotReadMessage(path));
    else if (ext == ".msv" || ext == ".dvf")
        ReportOpenFailure(host, showErrors, CodecMessage(path));
    else
        ReportOpenFailure(host, showErrors, FormatNotSupportedMessage(path));
    return kOpenFailed;
}

bool HasTagFormat(const std::string& ext) { return ext == ".wav" || ext == ".mp3"; }

// A fresh, unused name beside target for the file that replaces it once complete; it keeps
// the target's extension, which the writers and tag writers go by.
std::string ReserveSiblingName(const std::string& target) {
    std::string folder = HasFolderPart(target) ? target.substr(0, target.find_last_of("/\\") + 1) : std::string();
    const std::string ext = LowerExtension(target);
    std::string stem = FileNamePart(target);
    stem = stem.substr(0, stem.size() - ext.size());
    std::string pattern = folder + "." + stem + ".sonvela-XXXXXX" + ext;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemps(name.data(), static_cast<int>(ext.size()));
    if (fd < 0) return {};
    ::close(fd);
    return std::string(name.data());
}

// Gives the new file the old one's permission bits, so replacing it keeps who may read it.
void KeepMode(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0) ::chmod(to.c_str(), st.st_mode & 07777);
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(to.c_str(), 0666 & ~mask);
    }
}

Ref<LAudioWriter> CreateWriterFor(const std::string& ext, const std::string& path, std::int32_t rate,
                                  std::uint8_t channels) {
    if (ext == ".wav") {
        WAVEFORMATEX format = MakePcmFormat(static_cast<std::uint32_t>(rate), channels, 16);
        LoadWavSaveFormat(format);
        return CreateWavWriter(path, AdaptWavSaveFormat(format, rate, channels));
    }
    // ".mp3", ".ogg", ".flac", ".aac", ".m4a", ".amr" (encoder programs), ".au", ".aif", ".aiff",
    // ".gsm", ".vox", ".raw" and the playlists have no writer in this build yet.
    return MakeRef<LErrorWriter>("Aucun format d'enregistrement pour ce type de fichier.");
}

}  // namespace

std::string CannotReadMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) + ". Check it exists and you have read access.";
}

std::string FormatNotSupportedMessage(const std::string& path) {
    return "Cannot open the file " + Quoted(path) +
           ". This means that either the file format is not supported by this program or that a required codec or "
           "plugin is not installed. Please see " +
           kFormatHelpPage + " for more information.";
}

std::string CannotCreateMessage(const std::string& path) {
    return "Incapable de créer le fichier " + Quoted(path) + "pour l'enregistrement.";
}

int OpenAudioFile(Ref<LAudioReader>& out, const std::string& path, bool* askRaw, bool* showErrors, Host& host,
                  LProgressTask* task) {
    (void)askRaw;  // consumed by the raw reader's settings dialog once that format is served
    const std::string ext = LowerExtension(path);
    const OpenRow& row = FindOpenRow(ext);
    switch (row.via) {
    case Via::Wav:
        out = OpenWavReader(path);
        if (out->errorCode == kReaderOk) return kOpenDone;
        ReportOpenFailure(host, showErrors, WavOpenMessage(out->errorCode, path));
        return kOpenFailed;
    case Via::Mp3:
        out = OpenMp3Reader(path);
        if (out->errorCode == kReaderOk) return kOpenDone;
        ReportOpenFailure(host, showErrors, Mp3OpenMessage(out->errorCode, path));
        return kOpenFailed;
    case Via::MediaDecoder: return OpenThroughMediaDecoder(out, path, ext, row, showErrors, host, task);
    case Via::PendingReader:
    case Via::PendingRaw:
    case Via::PendingDecoder: break;
    }
    out = MakeRef<LErrorReader>(kReaderCodecMissing);
    ReportOpenFailure(host, showErrors, FileExists(path) ? FormatNotSupportedMessage(path) : CannotReadMessage(path));
    return kOpenFailed;
}

int PumpSamples(LProgressTask& task, const Ref<LAudioReader>& readerIn, const Ref<LAudioWriter>& writerIn) {
    Ref<LAudioReader> reader = readerIn;
    Ref<LAudioWriter> writer = writerIn;
    if (!reader || !writer || reader->errorCode != kReaderOk || writer->error) return kTaskFailed;
    // Only samples the writer cannot hold are limited, so that a file saved at its own depth
    // keeps every sample. A reader of full scale F delivers -F - 16 at the lowest.
    const std::int64_t readerLowest = -static_cast<std::int64_t>(reader->fullScale) - 16;
    if (reader->fullScale > writer->highestSample || readerLowest < writer->lowestSample)
        reader = MakeRef<LOutputLimiter>(reader, writer->highestSample, writer->lowestSample);
    const std::int64_t total = std::max<std::int64_t>(0, static_cast<std::int64_t>(reader->Length()) - reader->Position());
    writer->Reserve(total);
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * std::max<int>(reader->channels, 1));
    std::int64_t done = 0;
    while (done < total) {
        if (task.Pump()) return kTaskCancelled;
        auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, total - done));
        reader->Read(buffer.data(), n);
        writer->Write(buffer.data(), n);
        if (writer->error) return kTaskFailed;
        done += n;
        task.SetProgress(static_cast<double>(done) / static_cast<double>(total));
    }
    return kTaskDone;
}

int LoadFileIntoDocument(Workspace& ws, LAudioDocument& doc, const std::string& path, bool* askRaw,
                         bool* showErrors) {
    FunctionTask task("Sonvela", [&](LProgressTask& t) {
        t.SetText(0, "Chargement du fichier " + path);
        t.SetText(1, "Veuillez patienter...");
        Ref<LAudioReader> reader;
        int opened = OpenAudioFile(reader, path, askRaw, showErrors, ws.host(), &t);
        if (opened != kOpenDone) return opened;
        t.SetText(0, "Chargement du fichier " + path);
        LAudioData sound(reader->sampleRate, reader->channels);
        int pumped;
        {
            Ref<LBlockWriter> writer = LBlockWriter::Create(ws.blocks(), sound, reader->sampleRate, reader->channels);
            pumped = PumpSamples(t, reader, writer);
            if (pumped == kTaskDone && !writer->Finish()) pumped = kTaskFailed;
            if (pumped == kTaskFailed) {
                std::string why = writer->error ? writer->errorText : std::string();
                ReportOpenFailure(ws.host(), showErrors,
                                  reader->errorCode != kReaderOk
                                      ? WavOpenMessage(reader->errorCode, path)
                                      : "Cannot open the file " + Quoted(path) + "." + (why.empty() ? "" : "\n\n" + why));
            }
        }
        if (pumped != kTaskDone) return pumped;
        doc.sound = std::move(sound);
        return static_cast<int>(kTaskDone);
    });
    RunTask(ws.host(), task);
    return task.Result();
}

Ref<LAudioDocument> OpenDocumentFromFile(Workspace& ws, const std::string& path, bool* askRaw, bool* showErrors) {
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(44100, 1, path);
    if (LoadFileIntoDocument(ws, *doc, path, askRaw, showErrors) != kOpenDone) return nullptr;
    doc->path = path;
    doc->modified = 0;
    doc->tags = std::make_unique<LTagSet>();
    ReadTags(*doc->tags, path);
    return doc;
}

int ConvertRateOrChannels(Workspace& ws, LAudioDocument& doc, std::int32_t rate, std::uint8_t channels) {
    if (doc.sound.sampleRate == rate && doc.sound.channels == channels) return kTaskDone;
    FunctionTask task("Sonvela", [&](LProgressTask& t) {
        LAudioData sound = doc.sound;
        int result = ConvertSoundData(t, ws.blocks(), sound, rate, channels);
        if (result == kTaskDone) doc.sound = std::move(sound);
        return result;
    });
    RunTask(ws.host(), task);
    return task.Result();
}

Ref<LAudioWriter> CreateAudioWriter(const std::string& path, std::int32_t rate, std::uint8_t channels) {
    return CreateWriterFor(LowerExtension(path), path, rate, channels);
}

bool ShowSaveOptions(const std::string& extension, Host& host, std::int32_t rate, std::uint8_t channels) {
    if (extension == ".wav") {
        WAVEFORMATEX chosen;
        return ChooseWavSaveFormat(host, rate, channels, chosen);
    }
    if (extension == ".au" || extension == ".aif" || extension == ".aiff" || extension == ".gsm") return true;
    // The encoder, raw and playlist dialogs come with their writers.
    return false;
}

bool EncoderAvailable(const std::string& extension) {
    static const char* const kNoProgram[] = {".wav", ".au", ".aif", ".aiff", ".gsm", ".vox",
                                             ".raw", ".rss", ".m3u", ".pls", ".wpl"};
    for (const char* e : kNoProgram)
        if (extension == e) return true;
    // The encoder programs (".mp3", ".ogg", ".flac", ".aac", ".m4a", ".amr") are not looked
    // for yet, so their writers are never made.
    return false;
}

int SaveSoundAs(LProgressTask& task, Host& host, const LAudioData& sound, const SaveParameters& params) {
    const std::string ext = LowerExtension(params.path);
    task.SetText(0, "Enregistrement du fichier...");
    task.SetText(1, params.path);
    Ref<LAudioWriter> writer;
    std::string temp;
    std::uint8_t channels = params.channels;
    if (EncoderAvailable(ext)) {
        if (params.showOptions && !ShowSaveOptions(ext, host, params.sampleRate, params.channels)) return kTaskFailed;
        // The chosen format decides the channels a WAV file can hold.
        if (ext == ".wav") channels = WavSaveChannels(channels);
        temp = ReserveSiblingName(params.path);
        if (!temp.empty()) writer = CreateWriterFor(ext, temp, params.sampleRate, channels);
    }
    Ref<LAudioReader> reader = ConvertReader(LBlockReader::Create(sound), params.sampleRate, channels);
    if (!writer || writer->error) {
        writer = nullptr;
        if (!temp.empty()) RemoveFile(temp);
        task.Error(CannotCreateMessage(params.path));
        return kTaskFailed;
    }
    int result = PumpSamples(task, reader, writer);
    if (result == kTaskDone && !writer->Finish()) result = kTaskFailed;
    std::string why = writer->errorText;
    writer = nullptr;  // closes the file
    if (result == kTaskDone && params.tags && HasTagFormat(ext) && !WriteTags(*params.tags, temp)) {
        result = kTaskFailed;
        why = "Les étiquettes n'ont pas pu être écrites.";
    }
    if (result == kTaskDone) {
        KeepMode(params.path, temp);
        if (std::rename(temp.c_str(), params.path.c_str()) != 0) {
            result = kTaskFailed;
            why = std::strerror(errno);
        }
    }
    if (result != kTaskDone) {
        RemoveFile(temp);
        if (result == kTaskFailed) task.Error(CannotCreateMessage(params.path) + (why.empty() ? "" : "\n\n" + why));
    }
    return result;
}

int SaveDocumentAs(Workspace& ws, LAudioDocument& doc, const SaveParameters& params) {
    FunctionTask task("Sonvela", [&](LProgressTask& t) { return SaveSoundAs(t, ws.host(), doc.sound, params); });
    RunTask(ws.host(), task);
    return task.Result();
}

}  // namespace sv
