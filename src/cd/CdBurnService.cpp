#include "cd/CdBurnService.h"

#include "cd/CdDevice.h"
#include "core/AudioWriter.h"
#include "core/ProgressTask.h"
#include "formats/WavWriter.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFolder.h"

#include <fstream>
#include <iterator>

namespace sv {

namespace {

constexpr const char* kNoRecorder = "No recordable CD detected";
constexpr int kPollMs = 100;

bool IsWodim(const std::string& program) { return FileNamePart(program) == "wodim"; }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs argv to its end, pumping task; 1 when cancelled (the child is killed), else 0 with its
// exit status in *exitCode (-1 when it could not start or died of a signal).
int RunChild(const std::vector<std::string>& argv, const std::string& log, LProgressTask& task, int* exitCode) {
    ChildProcess child;
    *exitCode = -1;
    if (!child.Start(argv, log)) return kTaskDone;
    while (!child.Wait(kPollMs)) {
        if (task.Pump()) {
            child.Kill();
            return kTaskCancelled;
        }
    }
    *exitCode = child.ExitCode();
    return kTaskDone;
}

int SaveTrack(const CdBurnTrack& track, const std::string& path, LProgressTask& task, double from, double share) {
    CdAudioTrack audio(track.sound);
    Ref<LAudioWriter> writer = CreatePcmWavWriter(path, kCdRate, 2, 2);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    while (audio.Position() < audio.Frames()) {
        const std::int32_t piece = std::min(kMaxFramesPerCall, audio.Frames() - audio.Position());
        audio.ReadFrames(samples.data(), piece);
        writer->Write(samples.data(), piece);
        if (writer->error) break;
        task.SetProgress(from + share * audio.Position() / audio.Frames());
        if (task.Pump()) return kTaskCancelled;
    }
    if (!writer->Finish()) {
        task.Error(writer->errorText.empty() ? "Impossible d'enregistrer " + path + "." : writer->errorText);
        return kTaskFailed;
    }
    return kTaskDone;
}

}  // namespace

std::string DefaultBurnProgram() {
    return ProgramAvailable("cdrskin") || !ProgramAvailable("wodim") ? "cdrskin" : "wodim";
}

std::vector<std::string> BurnArguments(const std::string& program, const std::string& device,
                                       const CdBurnOptions& options, const std::vector<std::string>& files) {
    const bool wodim = IsWodim(program);
    std::vector<std::string> argv{program, "dev=" + device, "gracetime=2"};
    // Without a speed the program writes at the drive's fastest, which is what [MAX] asks.
    if (options.speed != kMaxCdSpeed) argv.push_back("speed=" + std::to_string(options.speed));
    // cdrskin blanks a CD-RW only when it is not blank already; wodim has no such mode and
    // would refuse a CD-R, so it is left to burn what it is given.
    if (options.eraseCdRw && !wodim) argv.push_back("blank=as_needed");
    if (options.loadEject) argv.push_back("-eject");
    // cdrskin's way to write past the nominal capacity is -force.
    if (options.overburn) argv.push_back(wodim ? "-overburn" : "-force");
    argv.push_back("-audio");
    argv.push_back("-pad");
    argv.insert(argv.end(), files.begin(), files.end());
    return argv;
}

int BurnWithService(CdDriveSource& drives, const CdBurnOptions& options, const std::vector<CdBurnTrack>& tracks,
                    LProgressTask& task, const std::string& program) {
    task.SetText(0, "Copy Audio Files");
    task.SetText(1, "");
    if (!ProgramAvailable(program)) {
        task.Error("Le programme de gravure " + program + " est introuvable. Installez cdrskin ou wodim.");
        return kTaskFailed;
    }
    // Made afresh for this run: a folder of a known name could be a link planted by someone else.
    PrivateTempFolder folder = PrivateTempFolder::Create("CDAudioBurn");
    if (!folder.Valid()) {
        task.Error("Impossible de créer le dossier temporaire de la gravure dans " + TempFolder() + ".");
        return kTaskFailed;
    }
    std::vector<std::string> files;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        files.push_back(folder.File("Track " + std::to_string(i + 1) + ".wav"));
        const double share = 1.0 / static_cast<double>(tracks.size());
        int r = SaveTrack(tracks[i], files.back(), task, share * static_cast<double>(i), share);
        if (r != kTaskDone) return r;
    }

    const std::vector<CdDriveInfo> list = drives.Enumerate();
    int exitCode = -1;
    std::string device;
    if (options.drive >= 0 && static_cast<std::size_t>(options.drive) < list.size()) {
        device = list[static_cast<std::size_t>(options.drive)].devicePath;
        const std::string log = folder.File("devices.log");
        if (RunChild({program, "--devices"}, log, task, &exitCode) == kTaskCancelled) return kTaskCancelled;
        if (exitCode != 0 || ReadAll(log).find("dev=") == std::string::npos) device.clear();
    }
    if (device.empty()) {
        task.Error(kNoRecorder);
        return kTaskFailed;
    }

    task.SetText(0, "Burning");
    task.SetText(1, "Please wait...");
    task.SetProgress(0.0);
    const std::string log = folder.File("burn.log");
    if (RunChild(BurnArguments(program, device, options, files), log, task, &exitCode) == kTaskCancelled)
        return kTaskCancelled;
    // The caller's message covers a failed burn; the program's own words are in its log only.
    if (exitCode != 0) return kTaskFailed;
    task.SetProgress(1.0);
    return kTaskDone;
}

}  // namespace sv
