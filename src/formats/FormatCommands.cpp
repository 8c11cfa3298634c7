#include "formats/FormatCommands.h"

#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "core/BlockStore.h"
#include "core/BookmarkFile.h"
#include "formats/AudioFileIo.h"
#include "formats/ConversionChain.h"
#include "formats/ConvertCommands.h"
#include "formats/TagEditor.h"
#include "formats/TagFiles.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <strings.h>
#include <vector>

namespace sv {

namespace {

constexpr std::int64_t kMinFreeBytes = 3 * 1024 * 1024;

bool EnoughSpace(Workspace& ws) {
    std::int64_t free = FreeSpaceBytes(ws.blocks().WorkingFolder());
    return free < 0 || free >= kMinFreeBytes;
}

std::string FolderPart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Writes the document under path and finishes the save: tags, space check, modified flag.
bool SaveTo(Workspace& ws, LAudioDocument& doc, const std::string& path, bool showOptions) {
    Host& host = ws.host();
    if (!EnoughSpace(ws)) {
        host.MessageBox("Impossible de sauvegarder le fichier \"" + path +
                            "\" car l'espace disque est insuffisant. Veuillez essayer d'enregistrer le fichier à un "
                            "autre endroit ou de créer de l'espace en supprimant des fichiers inutiles puis réessayez.",
                        "Espace Disque Insuffisant", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    const std::string ext = LowerExtension(path);
    if (ext == ".ra" || ext == ".ram" || ext == ".rm") {
        MsgAnswer a = host.MessageBox("L'enregistrement au format real audio n'est pas supporté. Souhaitez vous "
                                      "enregistrer sous un autre format (wav, mp3, gsm, vox)?",
                                      "Sonvela", MsgIcon::Question, MsgButtons::YesNo);
        return a == MsgAnswer::Yes && SaveDocumentAsCommand(ws, doc);
    }
    if (ws.stopPlayback) ws.stopPlayback();
    if (!doc.tags) doc.tags = std::make_unique<LTagSet>();
    SaveParameters params{path, doc.sound.sampleRate, doc.sound.channels, showOptions, doc.tags.get()};
    if (SaveDocumentAs(ws, doc, params) != 0) return false;
    doc.path = path;
    if (ws.addRecentFile) ws.addRecentFile(path);
    if (!EnoughSpace(ws)) {
        host.MessageBox("Le fichier \"" + path +
                            "\" peut ne pas avoir été enregistrée du fait du peu d'espace libre sur votre disque. "
                            "Veuillez essayer d'enregistrer le fichier à un autre endroit ou de créer de l'espace en "
                            "supprimant des fichiers inutiles puis réessayez.",
                        "Espace Disque Insuffisant", MsgIcon::Information, MsgButtons::Ok);
        ws.DocumentChanged(doc);
        return false;
    }
    std::string why;
    if (!SaveCompanion(doc, &why)) {
        host.MessageBox("Les signets de \"" + path + "\" n'ont pas pu être enregistrés dans \"" +
                            CompanionPath(path) + "\".\n\n" + why,
                        "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        ws.DocumentChanged(doc);
        return false;
    }
    doc.modified = 0;
    ws.DocumentChanged(doc);
    ws.CommandStatesChanged();
    return true;
}

}  // namespace

std::vector<FileFilter> OpenFilters() {
    return {{"Audio Files",
             {"*.wav", "*.mp3", "*.ogg", "*.wma", "*.aif", "*.aiff", "*.au", "*.ra", "*.ram", "*.flac", "*.aac",
              "*.gsm", "*.vox", "*.raw", "*.dss", "*.dct", "*.m4a", "*.mp2", "*.sri", "*.mpga", "*.msv", "*.dvf",
              "*.act", "*.rcd", "*.rec", "*.shn", "*.amr"}},
            {"Video Files (*.avi, *.mpg, *.mpeg, *.wmv)", {"*.avi", "*.mpg", "*.mpeg", "*.wmv"}},
            {"Wave Files (*.wav)", {"*.wav"}},
            {"MPEG Layer-3 Files (*.mp3, *.mp2, *.mpga)", {"*.mp3", "*.mp2", "*.mpga"}},
            {"Ogg Vorbis Files (*.ogg)", {"*.ogg"}},
            {"Windows Media Audio Files (*.wma)", {"*.wma"}},
            {"Apple AIFF Files (*.aif, *.aiff)", {"*.aif", "*.aiff"}},
            {"Sun AU Files (*.au)", {"*.au"}},
            {"Real Audio Files (*.ra, *.ram, *.rm, *.rmj)", {"*.ra", "*.ram", "*.rm", "*.rmj"}},
            {"FLAC Files (*.flac)", {"*.flac"}},
            {"AAC Files (*.aac, *.m4a)", {"*.aac", "*.m4a"}},
            {"GSM Files (*.gsm)", {"*.gsm"}},
            {"Dialogic Vox Files (*.vox)", {"*.vox"}},
            {"Raw Audio Files (*.raw)", {"*.raw"}},
            {"DSS Files (*.dss)", {"*.dss"}},
            {"VoiceIt Files (*.sri)", {"*.sri"}},
            {"Dictation Files (*.dct)", {"*.dct"}},
            {"Record Files (*.act, *.rcd, *.rec)", {"*.act", "*.rcd", "*.rec"}},
            {"Shorten Files (*.shn)", {"*.shn"}},
            {"AMR Narrowband Audio Files (*.amr)", {"*.amr"}},
            {"Windows Media Video Files (*.wmv)", {"*.wmv"}},
            {"MPEG Video Files (*.mpg, *.mpeg)", {"*.mpg", "*.mpeg"}},
            {"Audio Video Interleave Files (*.avi)", {"*.avi"}},
            {"All Files", {"*"}}};
}

std::vector<FileFilter> SaveFilters() {
    return {{"Wave (*.wav)", {"*.wav"}},
            {"MPEG Layer-3 (*.mp3)", {"*.mp3"}},
            {"Ogg Vorbis (*.ogg)", {"*.ogg"}},
            {"Apple AIFF(*.aif, *.aiff)", {"*.aif", "*.aiff"}},
            {"Sun AU (*.au)", {"*.au"}},
            {"FLAC (*.flac)", {"*.flac"}},
            {"AAC (*.aac)", {"*.aac"}},
            {"MPEG-4 Audio (*.m4a)", {"*.m4a"}},
            {"GSM (*.gsm)", {"*.gsm"}},
            {"Dialogic Vox (*.vox)", {"*.vox"}},
            {"Raw Audio (*.raw)", {"*.raw"}},
            {"RSS Podcast Audio (*.rss)", {"*.rss"}},
            {"M3U Playlist File (*.m3u)", {"*.m3u"}},
            {"PLS Playlist File (*.pls)", {"*.pls"}},
            {"WPL Playlist File (*.wpl)", {"*.wpl"}},
            {"AMR Narrowband Audio (*.amr)", {"*.amr"}}};
}

namespace {

bool ActiveModified(const Workspace& ws) { return ws.Active() && ws.Active()->modified; }

}  // namespace

void OpenFilesCommand(Workspace& ws) {
    Settings& st = ws.settings();
    const std::vector<FileFilter> filters = OpenFilters();
    std::vector<std::string> paths =
        ws.host().PickOpenFiles("Ouvrir Fichier Audio", st.ReadSetting("Settings", "OpenFileDir"), filters, true);
    if (paths.empty()) return;
    st.WriteUserSetting("Settings", "OpenFileDir", FolderPart(paths.front()));
    bool askRaw = true;
    bool showErrors = true;
    for (const std::string& path : paths) OpenFileIntoWindow(ws, path, &askRaw, &showErrors);
}

bool OpenFileIntoWindow(Workspace& ws, const std::string& path, bool* askRaw, bool* showErrors) {
    for (const Ref<LAudioDocument>& open : ws.Documents())
        if (strcasecmp(open->path.c_str(), path.c_str()) == 0) {
            ws.SetActive(open.get());
            return true;
        }
    Ref<LAudioDocument> doc = OpenDocumentFromFile(ws, path, askRaw, showErrors);
    if (!doc) return false;
    ws.AddDocument(doc);
    if (ws.addRecentFile) ws.addRecentFile(path);
    return true;
}

bool SaveDocumentAsCommand(Workspace& ws, LAudioDocument& doc) {
    Settings& st = ws.settings();
    Host& host = ws.host();
    const std::vector<FileFilter> filters = SaveFilters();
    std::string type = st.ReadSetting("Settings", "SaveAsFormat");
    if (type.empty() || type.find_first_of("/\\.") != std::string::npos) type = "wav";
    std::string name = doc.Title();
    name = name.substr(0, name.size() - LowerExtension(name).size()) + "." + type;
    for (;;) {
        std::optional<std::string> picked =
            host.PickSaveFile("Sauver Fichier Audio comme", st.ReadSetting("Settings", "SaveAsDir"), name, filters);
        if (!picked || picked->empty()) return false;
        std::string path = *picked;
        if (LowerExtension(path).empty()) path += "." + type;
        st.WriteUserSetting("Settings", "SaveAsDir", FolderPart(path));
        st.WriteUserSetting("Settings", "SaveAsFormat", LowerExtension(path).substr(1));
        if (FileExists(path)) {
            MsgAnswer a = host.MessageBox("Ce nom de fichier existe déjà. Voulez-vous le remplacer?", "Sonvela",
                                          MsgIcon::Question, MsgButtons::YesNoCancel);
            if (a == MsgAnswer::Cancel) return false;
            if (a == MsgAnswer::No) continue;
        }
        return SaveTo(ws, doc, path, true);
    }
}

bool SaveDocumentTo(Workspace& ws, LAudioDocument& doc, const std::string& path) { return SaveTo(ws, doc, path, false); }

bool SaveDocument(Workspace& ws, LAudioDocument& doc) {
    if (!HasFolderPart(doc.path)) return SaveDocumentAsCommand(ws, doc);
    return SaveTo(ws, doc, doc.path, false);
}

void RegisterFormatCommands(CommandRegistry& registry) {
    registry.Register(kCmdOpen, {OpenFilesCommand, nullptr, nullptr, nullptr});
    registry.Register(kCmdSave, {[](Workspace& ws) {
                                     if (ws.Active()) SaveDocument(ws, *ws.Active());
                                 },
                                 ActiveModified, nullptr, nullptr});
    registry.Register(kCmdSaveAs, {[](Workspace& ws) {
                                       if (ws.Active()) SaveDocumentAsCommand(ws, *ws.Active());
                                   },
                                   HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdEditTags, {EditTagsCommand, HasActiveDocument, nullptr, nullptr});
    RegisterConvertCommands(registry);
}

void InstallFormatServices(Workspace& ws) {
    ws.convertSound = [&ws](LProgressTask& task, LAudioData& sound, std::int32_t rate, std::uint8_t channels) {
        return ConvertSoundData(task, ws.blocks(), sound, rate, channels);
    };
    ws.saveDocument = [&ws](LAudioDocument& doc, bool askName) {
        return askName ? SaveDocumentAsCommand(ws, doc) : SaveDocument(ws, doc);
    };
}

}  // namespace sv
