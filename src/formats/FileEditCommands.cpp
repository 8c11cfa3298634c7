#include "formats/FileEditCommands.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/PasteCommands.h"
#include "core/PasteMix.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/SystemClipboard.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace sv {

namespace {

const char kLoadTitle[] = "Chargement du Fichier Source Audio";

std::string FolderOf(const std::string& path) {
    std::string::size_type cut = path.find_last_of('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// The open dialog of Mix File and Insert File; remembers the folder under folderKey.
std::string PickSoundFile(Workspace& ws, const char* folderKey) {
    Settings& st = ws.settings();
    std::vector<std::string> picked = ws.host().PickOpenFiles(
        "Ouvrir les Fichiers Audio", st.ReadSetting("Settings", folderKey), {{"All Files", {"*"}}}, false);
    if (picked.empty()) return {};
    st.WriteUserSetting("Settings", folderKey, FolderOf(picked[0]));
    return picked[0];
}

std::string ReaderFailure(std::uint8_t code, const std::string& path) {
    if (code == kReaderCannotOpen)
        return "Impossible d'ouvrir le fichier \"" + path + "\". Vérifiez qu'il existe et que vous pouvez le lire.";
    return "Le fichier \"" + path + "\" n'est pas un fichier Wave valide ou son format n'est pas pris en charge.";
}

// Sound files pass through the working folder's clipboard files.
std::string ClipboardFile(Workspace& ws, const char* name) { return JoinPath(ws.blocks().WorkingFolder(), name); }

}  // namespace

int LoadSoundFile(LProgressTask& task, Workspace& ws, const std::string& path, LAudioData& sound) {
    task.SetText(0, "Chargement du fichier " + path);
    task.SetText(1, "Veuillez patienter...");
    Ref<LAudioReader> reader;
    bool showErrors = true;
    int opened = OpenAudioFile(reader, path, nullptr, &showErrors, ws.host(), &task, &ws.settings());
    if (opened != kOpenDone) return opened;
    if (reader->errorCode != kReaderOk) {
        task.Error(ReaderFailure(reader->errorCode, path));
        return kTaskFailed;
    }
    LAudioData loaded(reader->sampleRate, reader->channels);
    int result;
    {
        Ref<LBlockWriter> writer = LBlockWriter::Create(ws.blocks(), loaded, reader->sampleRate, reader->channels);
        result = PumpSamples(task, reader, writer);
        if (result == kTaskDone && !writer->Finish()) result = kTaskFailed;
        if (result == kTaskFailed) task.Error(writer->errorText.empty() ? ReaderFailure(kReaderCorrupt, path) : writer->errorText);
    }
    if (result != kTaskDone) return result;
    sound = std::move(loaded);
    return kTaskDone;
}

bool LoadSoundFileTask(Workspace& ws, const std::string& path, LAudioData& sound) {
    FunctionTask task(kLoadTitle, [&](LProgressTask& t) { return LoadSoundFile(t, ws, path, sound); });
    return RunTask(ws.host(), task);
}

int SaveSoundFile(LProgressTask& task, Host& host, const LAudioData& sound, const std::string& path,
                  Settings* settings) {
    const std::uint8_t channels = sound.channels == 0 ? 1 : sound.channels;
    return SaveSoundAs(task, host, sound, SaveParameters{path, sound.sampleRate, channels, false, nullptr, settings});
}

std::vector<std::uint8_t> RenderClipboardWave(Workspace& ws) {
    const std::string path = ClipboardFile(ws, "_clipboard.wav");
    LAudioData clip = ws.Clipboard();
    FunctionTask task("Sauvegarde dans le presse-papiers",
                      [&](LProgressTask& t) { return SaveSoundFile(t, ws.host(), clip, path, &ws.settings()); });
    std::vector<std::uint8_t> bytes;
    if (RunTask(ws.host(), task)) {
        // Another process may still hold the file for a moment.
        UniqueFd fd;
        for (int waited = 0; waited <= 1000; waited += 50) {
            fd = UniqueFd::OpenSharedRead(path);
            if (fd.valid()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const std::int64_t size = FileSize(path);
        if (fd.valid() && size > 0) {
            bytes.resize(static_cast<std::size_t>(size));
            long got = ReadFull(fd.get(), bytes.data(), bytes.size());
            if (got != static_cast<long>(size)) bytes.clear();
        }
    }
    RemoveFile(path);
    return bytes;
}

bool ReadSystemClipboard(Workspace& ws, LAudioData& sound) {
    if (!ws.systemClipboard) return false;
    std::vector<std::uint8_t> bytes = ws.systemClipboard->ReadWave();
    if (bytes.empty()) return false;
    const std::string path = ClipboardFile(ws, "clipboard.wav");
    {
        int err = 0;
        UniqueFd fd = UniqueFd::CreateExclusive(path, &err);
        if (!fd.valid() || !WriteAll(fd.get(), bytes.data(), bytes.size()) || !fd.Reset()) {
            ws.host().MessageBox("Impossible d'écrire le fichier \"" + path + "\".", "Sonvela", MsgIcon::Error,
                                 MsgButtons::Ok);
            return false;
        }
    }
    return LoadSoundFileTask(ws, path, sound);
}

void MixFileCommand(Workspace& ws) {
    if (!ws.Active()) return;
    StopPlayback(ws);
    const std::string path = PickSoundFile(ws, "MixFileDir");
    if (path.empty()) return;
    MixParameters params;
    if (!AskMixParameters(ws, params)) return;
    LAudioData source;
    if (!LoadSoundFileTask(ws, path, source)) return;
    LAudioDocument* doc = ws.Active();
    std::string refusal = ConversionRefusal(ws, source, doc->sound.sampleRate, doc->sound.channels);
    if (!refusal.empty()) {
        ws.host().MessageBox(refusal, "Mixer le Fichier", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    BeginEdit(ws, "Mixer le Fichier");
    RunMixTask(ws, source, params);
}

void InsertFileCommand(Workspace& ws, int position) {
    static const char* const kNames[] = {"Insérer Fichier Au Début", "Insérer Fichier à la Position Actuelle",
                                         "Insérer Fichier à la Fin"};
    position = std::max(0, std::min(2, position));
    if (!ws.Active()) return;
    StopPlayback(ws);
    const std::string path = PickSoundFile(ws, "InsertFileDir");
    if (path.empty()) return;
    LAudioData source;
    if (!LoadSoundFileTask(ws, path, source)) return;
    LAudioDocument* doc = ws.Active();
    const std::int32_t at = position == 0 ? 0 : position == 1 ? doc->cursor : doc->Length();
    InsertSound(ws, source, at, kNames[position]);
}

void SaveSelectionCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    Settings& st = ws.settings();
    Host& host = ws.host();
    std::string path;
    for (;;) {
        std::optional<std::string> picked = host.PickSaveFile("Sauver Fichier Audio comme",
                                                              st.ReadSetting("Settings", "SaveAsDir"), "",
                                                              {{"Wave (*.wav)", {"*.wav"}}});
        if (!picked || picked->empty()) return;
        path = *picked;
        if (FileNamePart(path).find('.') == std::string::npos) path += ".wav";
        st.WriteUserSetting("Settings", "SaveAsDir", FolderOf(path));
        if (!FileExists(path)) break;
        MsgAnswer answer = host.MessageBox("Ce nom de fichier existe déjà. Voulez-vous le remplacer?", "Sonvela",
                                           MsgIcon::Question, MsgButtons::YesNoCancel);
        if (answer == MsgAnswer::Yes) break;
        if (answer != MsgAnswer::No) return;
    }
    LAudioData piece = doc->sound;
    TrimEnd(piece, doc->selectionEnd);
    TrimStart(piece, doc->selectionStart);
    FunctionTask task("Enregistrement en cours...",
                      [&](LProgressTask& t) { return SaveSoundFile(t, host, piece, path, &st); });
    RunTask(host, task);
}

void PasteSystemCommand(Workspace& ws) {
    if (!ws.Active()) return;
    LAudioData source;
    if (!ReadSystemClipboard(ws, source)) return;
    PasteSound(ws, source);
}

void PasteMixSystemCommand(Workspace& ws) {
    if (!ws.Active()) return;
    LAudioData source;
    if (!ReadSystemClipboard(ws, source)) return;
    PasteMixSound(ws, source);
}

void RegisterFileEditCommands(CommandRegistry& r) {
    auto doc = HasActiveDocument;
    r.Register(kCmdMixFile, {MixFileCommand, doc, nullptr, nullptr});
    r.Register(kCmdInsertFileStart, {[](Workspace& ws) { InsertFileCommand(ws, 0); }, doc, nullptr, nullptr});
    r.Register(kCmdInsertFileCursor, {[](Workspace& ws) { InsertFileCommand(ws, 1); }, doc, nullptr, nullptr});
    r.Register(kCmdInsertFileEnd, {[](Workspace& ws) { InsertFileCommand(ws, 2); }, doc, nullptr, nullptr});
    r.Register(kCmdSaveSelection, {SaveSelectionCommand, doc, nullptr, nullptr});
    r.Register(kCmdPasteSystem, {PasteSystemCommand, doc, nullptr, nullptr});
    r.Register(kCmdPasteMixSystem, {PasteMixSystemCommand, doc, nullptr, nullptr});
}

}  // namespace sv
