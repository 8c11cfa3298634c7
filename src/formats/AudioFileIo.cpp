#include "formats/AudioFileIo.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/BookmarkFile.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/TagSet.h"
#include "core/Workspace.h"
#include "effects/MixToMono.h"
#include "effects/OutputLimiter.h"
#include "formats/ConversionChain.h"
#include "formats/FileFormatTable.h"
#include "formats/TagFiles.h"
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

void ReportOpenFailure(Host& host, bool* showErrors, const std::string& text) {
    if (showErrors && !*showErrors) return;
    host.MessageBox(text, "", MsgIcon::Error, MsgButtons::Ok);
    if (showErrors) *showErrors = false;
}

bool WritesTags(const std::string& ext) {
    const FileFormatRow* row = FindSaveRow(ext);
    return row && row->writesTags;
}

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
                                  std::uint8_t channels, Settings* settings, LProgressTask* task = nullptr,
                                  const std::string* target = nullptr) {
    const FileFormatRow* row = FindSaveRow(ext);
    if (row && row->createWriter)
        return row->createWriter(SaveRequest{path, rate, channels, nullptr, settings, task, target});
    return MakeRef<LErrorWriter>("Aucun format d'enregistrement pour ce type de fichier.");
}

}  // namespace

int OpenAudioFile(Ref<LAudioReader>& out, const std::string& path, bool* askRaw, bool* showErrors, Host& host,
                  LProgressTask* task, Settings* settings) {
    const std::string ext = LowerExtension(path);
    const FileFormatRow& row = FindOpenRow(ext);
    if (row.openReader) {
        out = row.openReader(path);
        if (out && out->errorCode == kReaderOk) return kOpenDone;
        if (!out) out = MakeRef<LErrorReader>(kReaderCannotOpen);
        ReportOpenFailure(host, showErrors, row.readerMessage ? row.readerMessage(out->errorCode, path)
                                                              : CannotReadMessage(path));
        return kOpenFailed;
    }
    OpenOutcome outcome = row.open(out, OpenRequest{path, ext, askRaw, host, task, settings});
    if (!out) out = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (outcome.result == kOpenFailed && !outcome.message.empty()) ReportOpenFailure(host, showErrors, outcome.message);
    return outcome.result;
}

int PumpSamples(LProgressTask& task, const Ref<LAudioReader>& readerIn, const Ref<LAudioWriter>& writerIn) {
    Ref<LAudioReader> reader = readerIn;
    Ref<LAudioWriter> writer = writerIn;
    if (!reader || !writer || reader->errorCode != kReaderOk || writer->error) return kTaskFailed;
    // Frames of another width would be written as interleaved garbage.
    if (reader->channels != writer->channels) return kTaskFailed;
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
        // A writer waiting on a program may have seen the Cancel itself.
        if (writer->error) return task.Pump() ? kTaskCancelled : kTaskFailed;
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
        int opened = OpenAudioFile(reader, path, askRaw, showErrors, ws.host(), &t, &ws.settings());
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
                const FileFormatRow& row = FindOpenRow(LowerExtension(path));
                ReportOpenFailure(ws.host(), showErrors,
                                  reader->errorCode != kReaderOk && row.readerMessage
                                      ? row.readerMessage(reader->errorCode, path)
                                      : "Cannot open the file \"" + path + "\"." + (why.empty() ? "" : "\n\n" + why));
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
    LoadCompanion(*doc);
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

Ref<LAudioWriter> CreateAudioWriter(const std::string& path, std::int32_t rate, std::uint8_t channels,
                                    Settings* settings) {
    return CreateWriterFor(LowerExtension(path), path, rate, channels, settings);
}

bool ShowSaveOptions(const std::string& extension, Host& host, std::int32_t rate, std::uint8_t channels,
                     Settings* settings) {
    const FileFormatRow* row = FindSaveRow(extension);
    if (!row) return false;
    if (row->saveOptions) return row->saveOptions(SaveRequest{extension, rate, channels, &host, settings});
    return row->confirmedWithoutOptions;
}

bool EncoderAvailable(const std::string& extension, Host* host, Settings* settings) {
    const FileFormatRow* row = FindSaveRow(extension);
    if (!row) return false;
    return !row->encoderAvailable || row->encoderAvailable(SaveRequest{extension, 0, 0, host, settings});
}

int SaveSoundAs(LProgressTask& task, Host& host, const LAudioData& sound, const SaveParameters& params) {
    const std::string ext = LowerExtension(params.path);
    task.SetText(0, "Enregistrement du fichier...");
    task.SetText(1, params.path);
    Ref<LAudioWriter> writer;
    std::string temp;
    if (EncoderAvailable(ext, &host, params.settings)) {
        if (params.showOptions && !ShowSaveOptions(ext, host, params.sampleRate, params.channels, params.settings))
            return kTaskFailed;
        const FileFormatRow* row = FindSaveRow(ext);
        if (row && row->confirmReplace &&
            !row->confirmReplace(SaveRequest{params.path, params.sampleRate, params.channels, &host, params.settings}))
            return kTaskCancelled;
        temp = ReserveSiblingName(params.path);
        if (!temp.empty())
            writer = CreateWriterFor(ext, temp, params.sampleRate, params.channels, params.settings, &task,
                                     &params.path);
    }
    if (!writer || writer->error) {
        writer = nullptr;
        if (!temp.empty()) RemoveFile(temp);
        task.Error(CannotCreateMessage(params.path));
        return kTaskFailed;
    }
    // The writer says what it takes: a format of fixed rate or channels gets its own.
    Ref<LAudioReader> reader = LBlockReader::Create(sound);
    if (reader->channels > 2 && writer->channels == 1) reader = MakeRef<LMixToMonoFilter>(reader);
    reader = ConvertReader(reader, writer->sampleRate, writer->channels);
    if (reader->channels != writer->channels) {
        const unsigned held = writer->channels, has = reader->channels;
        writer = nullptr;
        RemoveFile(temp);
        task.Error(CannotCreateMessage(params.path) + "\n\nCe format enregistre " + std::to_string(held) +
                   (held > 1 ? " canaux" : " canal") + " ; le son en a " + std::to_string(has) + ".");
        return kTaskFailed;
    }
    int result = PumpSamples(task, reader, writer);
    if (result == kTaskDone && !writer->Finish()) result = task.Pump() ? kTaskCancelled : kTaskFailed;
    std::string why = writer->errorText;
    writer = nullptr;  // closes the file
    if (result == kTaskDone && params.tags && WritesTags(ext) && !WriteTags(*params.tags, temp)) {
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
    SaveParameters withSettings = params;
    if (!withSettings.settings) withSettings.settings = &ws.settings();
    FunctionTask task("Sonvela", [&](LProgressTask& t) { return SaveSoundAs(t, ws.host(), doc.sound, withSettings); });
    RunTask(ws.host(), task);
    return task.Result();
}

}  // namespace sv
