#include "speech/SpeechEngine.h"

#include "core/ProgressTask.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"
#include "platform/PrivateTempFolder.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace sv {

namespace {

// The engine's audio libraries may leave folders in the temporary folder even when it only
// lists voices or writes a file: it gets a folder of its own, removed with everything in it.
PrivateTempFolder GiveOwnTempFolder(ChildProcess& engine) {
    PrivateTempFolder folder = PrivateTempFolder::Create("engine");
    if (folder.Valid()) engine.SetEnvironment("TMPDIR", folder.Path());
    return folder;
}

// Runs the engine with args and returns what it printed; empty when it could not run.
std::string EngineOutput(const std::vector<std::string>& args) {
    PrivateTempFile out = PrivateTempFile::Create("voices", ".txt");
    if (!out.Valid()) return {};
    std::vector<std::string> argv{kSpeechEngine};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess child;
    const PrivateTempFolder engineTemp = GiveOwnTempFolder(child);
    if (!child.Start(argv, out.Path())) return {};
    if (!child.Wait(10000)) {
        child.Kill();
        return {};
    }
    if (child.ExitCode() != 0) return {};
    std::ifstream in(out.Path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsFrench(const SpeechVoice& v) { return v.id.rfind("roa/fr", 0) == 0; }

// An MBROLA voice "mb/mb-fr1" needs the database "fr1" of the mbrola program.
bool MbrolaInstalled(const SpeechVoice& v) {
    const std::string base = FileNamePart(v.id);
    if (base.rfind("mb-", 0) != 0 || !ProgramAvailable("mbrola")) return false;
    const std::string db = base.substr(3);
    return FileExists("/usr/share/mbrola/" + db + "/" + db) || FileExists("/usr/share/mbrola/" + db);
}

}  // namespace

std::vector<SpeechVoice> ParseVoiceList(const std::string& listing) {
    std::vector<SpeechVoice> voices;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string priority, language, ageGender, name, file;
        if (!(fields >> priority >> language >> ageGender >> name >> file)) continue;
        if (priority == "Pty" || priority.find_first_not_of("0123456789") != std::string::npos) continue;
        std::replace(name.begin(), name.end(), '_', ' ');
        voices.push_back({name, file});
    }
    return voices;
}

std::vector<SpeechVoice> ListSpeechVoices() {
    if (!ProgramAvailable(kSpeechEngine)) return {};
    std::vector<SpeechVoice> voices = ParseVoiceList(EngineOutput({"--voices"}));
    std::stable_partition(voices.begin(), voices.end(), IsFrench);
    for (SpeechVoice& v : ParseVoiceList(EngineOutput({"--voices=mb"}))) {
        if (!MbrolaInstalled(v)) continue;
        v.name += " (MBROLA)";
        voices.push_back(std::move(v));
    }
    return voices;
}

int SynthesizeSpeech(LProgressTask& task, const SpeechVoice& voice, const std::string& text,
                     const std::string& wavPath) {
    task.SetText(0, "Synthèse Vocale En cours");
    task.SetText(1, "Veuillez patienter");
    PrivateTempFile input = PrivateTempFile::Create("speech", ".txt");
    PrivateTempFile log = PrivateTempFile::Create("speech", ".log");
    if (!input.Valid() || !log.Valid() || !input.Write(text)) {
        task.Error("Impossible de créer un fichier temporaire dans \"" + TempFolder() + "\".");
        return kTaskFailed;
    }
    ChildProcess engine;
    const PrivateTempFolder engineTemp = GiveOwnTempFolder(engine);
    engine.SetInputFile(input.Path());
    int err = 0;
    if (!engine.Start({kSpeechEngine, "-b", "1", "-v", voice.id, "-w", wavPath, "--stdin"}, log.Path(), &err)) {
        task.Error(std::string("Le moteur de synthèse \"") + kSpeechEngine + "\" n'a pas pu être lancé.");
        return kTaskFailed;
    }
    while (!engine.Wait(50)) {
        if (task.Pump()) {
            engine.Kill();
            return kTaskCancelled;
        }
    }
    if (engine.ExitCode() != 0 || FileSize(wavPath) <= 44) {
        std::ifstream in(log.Path());
        std::string reason;
        std::getline(in, reason);
        task.Error("La synthèse vocale a échoué" + (reason.empty() ? std::string(".") : " : " + reason));
        return kTaskFailed;
    }
    return kTaskDone;
}

}  // namespace sv
