#include "cd/OwnCdWriter.h"

#include "cd/CdDevice.h"
#include "cd/DriveChannel.h"
#include "cd/MmcCommands.h"
#include "core/ProgressTask.h"
#include "core/TimeText.h"

#include <algorithm>
#include <cstdio>

namespace sv {

namespace {

constexpr const char* kCannotAccess = "The CD drive you have selected cannot be accessed.";
constexpr const char* kNoDiskInDrive = "There appears to be no disk in the drive. Please check and try again.";
constexpr const char* kCannotWrite =
    "The selected CD-ROM drive cannot write or record CDs. Please select another drive.";
constexpr const char* kNoCd = "There is no CD in the CD-ROM drive. Please insert a blank CDR and try again.";
constexpr const char* kUsedCdR =
    "The CD-R you are attempting to use has already been written to and you cannot overwrite it. Please insert "
    "another blank CD-R.";
constexpr const char* kNoCdRw =
    "The drive you have selected does not support CD-RWs. Please insert a blank CD-R and try again.";
constexpr const char* kCdRwNotBlank =
    "The CD-RW is not blank. To erase it, select the option \"Erase CD-RWs if they are not blank\" and try again.";
constexpr const char* kEraseFailed =
    "There was an error erasing the CD-RW. Please try another disk or try using a lower speed.";

bool NoMedium(const ScsiCommand& cmd) {
    if (!cmd.transportError.empty() || cmd.status != kScsiStatusCheckCondition) return false;
    const ScsiSense s = DecodeSense(cmd.sense);
    return s.key == 0x02 && s.asc == 0x3A;
}

// NOT READY, LONG WRITE IN PROGRESS (or operation in progress): the drive's buffer is full.
bool LongWriteInProgress(const ScsiCommand& cmd) {
    if (!cmd.transportError.empty() || cmd.status != kScsiStatusCheckCondition) return false;
    const ScsiSense s = DecodeSense(cmd.sense);
    return s.key == 0x02 && s.asc == 0x04 && (s.ascq == 0x07 || s.ascq == 0x08);
}

constexpr int kLongWriteWaitMs = 20;
constexpr int kLongWriteRetries = 3000;  // a minute of a drive that stays full

class Burn {
public:
    Burn(DriveChannel& channel, const CdBurnOptions& options, LProgressTask& task, const CdWriterTiming& timing)
        : channel_(channel), options_(options), task_(task), timing_(timing) {}

    int Run(const std::vector<CdBurnTrack>& tracks) {
        if (options_.loadEject) {
            // A drive without a tray motor refuses; it may still hold a disc.
            int r = channel_.Run(MakeStartStopUnit(true, true), &task_, 30000);
            if (r == kTaskCancelled) return r;
            trayClosed_ = true;
        }
        int r = WaitReady();
        if (r != kTaskDone) return r;
        r = CheckDrive();
        if (r != kTaskDone) return r;
        DiscInformation disc;
        r = CheckDisc(disc);
        if (r != kTaskDone) return r;
        return WriteTracks(tracks, disc);
    }

private:
    int Failure(const std::string& text) {
        // The tray opens before the message, so the user can change the disc while reading it.
        if (trayClosed_) channel_.Run(MakeStartStopUnit(false, true), nullptr, 30000);
        task_.Error(text);
        return kTaskFailed;
    }

    int WaitReady() {
        int waited = 0;
        for (;;) {
            CommandPtr tur = MakeTestUnitReady();
            int r = channel_.Run(tur, &task_, 500);
            if (r == kTaskCancelled) return r;
            if (r == kTaskDone) return kTaskDone;
            if (waited >= timing_.readyBudgetMs) return NoMedium(*tur) ? Failure(kNoDiskInDrive) : kTaskDone;
            if (PumpingSleep(&task_, timing_.readyStepMs) != kTaskDone) return kTaskCancelled;
            waited += timing_.readyStepMs;
        }
    }

    int CheckDrive() {
        CommandPtr sense = MakeModeSenseCapabilities();
        int r = channel_.Run(sense, &task_, 5000);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone || !ParseCapabilities(*sense, caps_) || !(caps_.writesCdR || caps_.writesCdRw))
            return Failure(kCannotWrite);
        // Both counted in units of 177 kB/s: [MAX] (0xFFFF times) becomes the drive's fastest.
        std::uint32_t kbps = static_cast<std::uint32_t>(options_.speed) * kCdSpeedUnitKBps;
        if (caps_.maxWriteKBps > 0) kbps = std::min(kbps, caps_.maxWriteKBps);
        kbps = std::min<std::uint32_t>(kbps, 0xFFFF);
        // A drive that refuses the speed writes at one of its own; that is no reason to stop.
        r = channel_.Run(MakeSetCdSpeed(0xFFFF, static_cast<std::uint16_t>(kbps)), &task_, 5000);
        return r == kTaskCancelled ? r : kTaskDone;
    }

    int ReadDisc(DiscInformation& disc) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (attempt > 0 && PumpingSleep(&task_, timing_.discRetryMs) != kTaskDone) return kTaskCancelled;
            CommandPtr info = MakeReadDiscInformation();
            int r = channel_.Run(info, &task_, 5000);
            if (r == kTaskCancelled) return r;
            if (r == kTaskDone && ParseDiscInformation(*info, disc)) return kTaskDone;
        }
        return Failure(kNoCd);
    }

    int CheckDisc(DiscInformation& disc) {
        int r = ReadDisc(disc);
        if (r != kTaskDone) return r;
        const bool blank = disc.status == DiscStatus::Blank;
        if (!disc.erasable) return blank ? kTaskDone : Failure(kUsedCdR);
        if (!caps_.writesCdRw) return Failure(kNoCdRw);
        if (blank) return kTaskDone;
        if (!options_.eraseCdRw) return Failure(kCdRwNotBlank);
        task_.SetText(0, "Erasing CD-RW Disk");
        CommandPtr blankCmd = MakeBlankMinimal();
        r = channel_.Run(blankCmd, &task_, blankCmd->timeoutMs);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone) return Failure(kEraseFailed);
        r = ReadDisc(disc);
        if (r != kTaskDone) return r;
        return disc.status == DiscStatus::Blank ? kTaskDone : Failure(kEraseFailed);
    }

    int Refused(const std::string& what, const ScsiCommand& cmd) {
        return Failure(what + " (" + channel_.FailureText(cmd) + ").");
    }

    int WriteTracks(const std::vector<CdBurnTrack>& tracks, const DiscInformation& disc) {
        std::int64_t total = 0;
        for (const CdBurnTrack& t : tracks) total += CdTrackSectors(t.sound);
        task_.SetText(0, "Recording CD Audio");
        task_.SetText(1, "Total Time:  " + FormatTimeText(static_cast<std::int32_t>(total * 1000 / 75)));
        // Every track after the first brings its 2 s pause onto the disc.
        const std::int64_t needed = total + kCdPregapSectors * static_cast<std::int64_t>(tracks.size() - 1);
        if (disc.capacitySectors > 0 && needed > disc.capacitySectors && !options_.overburn) {
            return Failure("The CD has a capacity of " + CdMinutesText(disc.capacitySectors) +
                           " minutes and you are trying to write " +
                           CdMinutesText(static_cast<std::int32_t>(std::min<std::int64_t>(needed, INT32_MAX))) +
                           " minutes. Please insert a larger capacity CD or try fewer tracks.");
        }
        CommandPtr params = MakeModeSelectWriteParameters(caps_.underrunProtection);
        int r = channel_.Run(params, &task_, 5000);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone) return Refused("Le graveur a refusé les paramètres d'écriture", *params);
        std::int64_t done = 0;
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            task_.SetText(0, "Burning Track " + std::to_string(i + 1));
            r = WriteTrack(tracks[i], static_cast<int>(i + 1), done, total);
            if (r != kTaskDone) return r;
        }
        task_.SetText(0, "Writing Lead-in/Lead-out");
        CommandPtr close = MakeCloseTrackSession(2, 0);
        r = channel_.Run(close, &task_, close->timeoutMs);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone) return Refused("La fermeture du disque a échoué", *close);
        task_.SetProgress(1.0);
        return kTaskDone;
    }

    int WriteTrack(const CdBurnTrack& track, int number, std::int64_t& done, std::int64_t total) {
        CommandPtr info = MakeReadTrackInformationOfNextTrack();
        int r = channel_.Run(info, &task_, 5000);
        if (r == kTaskCancelled) return r;
        std::int32_t lba = 0;
        if (r != kTaskDone || !ParseNextWritableAddress(*info, lba))
            return Refused("Le graveur ne donne pas l'adresse de la piste " + std::to_string(number), *info);
        CdAudioTrack audio(track.sound);
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(kWriteSectorsPerCommand) * kCdBytesPerSector);
        CommandPtr pending;
        auto finish = [&]() -> int {
            if (!pending) return kTaskDone;
            int w = channel_.Complete(pending, &task_, pending->timeoutMs);
            // A drive whose buffer is full says so and takes the same block again a moment later.
            for (int retry = 0; w == kTaskFailed && LongWriteInProgress(*pending) && retry < kLongWriteRetries;
                 ++retry) {
                if (PumpingSleep(&task_, kLongWriteWaitMs) != kTaskDone) return kTaskCancelled;
                w = channel_.Run(pending, &task_, pending->timeoutMs);
            }
            if (w == kTaskCancelled) return w;
            if (w != kTaskDone)
                return Refused("L'écriture de la piste " + std::to_string(number) + " a échoué", *pending);
            pending.reset();
            return kTaskDone;
        };
        for (std::int32_t at = 0; at < audio.Sectors();) {
            const int count = std::min(kWriteSectorsPerCommand, audio.Sectors() - at);
            // The next piece is rendered while the drive takes the last one.
            audio.ReadSectors(buffer.data(), count);
            CommandPtr write = MakeWrite10(lba + at, buffer.data(), count);
            if ((r = finish()) != kTaskDone) return r;
            channel_.Submit(write);
            pending = write;
            at += count;
            done += count;
            task_.SetProgress(static_cast<double>(done) / static_cast<double>(std::max<std::int64_t>(total, 1)));
            if (task_.Pump()) return kTaskCancelled;
        }
        if ((r = finish()) != kTaskDone) return r;
        CommandPtr sync = MakeSynchronizeCache();
        r = channel_.Run(sync, &task_, sync->timeoutMs);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone) return Refused("L'écriture de la piste " + std::to_string(number) + " a échoué", *sync);
        CommandPtr close = MakeCloseTrackSession(1, static_cast<std::uint16_t>(number));
        r = channel_.Run(close, &task_, close->timeoutMs);
        if (r == kTaskCancelled) return r;
        if (r != kTaskDone)
            return Refused("La fermeture de la piste " + std::to_string(number) + " a échoué", *close);
        return kTaskDone;
    }

    DriveChannel& channel_;
    const CdBurnOptions& options_;
    LProgressTask& task_;
    const CdWriterTiming& timing_;
    DriveCapabilities caps_;
    bool trayClosed_ = false;
};

}  // namespace

std::string CdMinutesText(std::int32_t sectors) {
    const std::int32_t seconds = sectors / 75;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

int WriteAudioCd(CdDriveSource& drives, const CdBurnOptions& options, const std::vector<CdBurnTrack>& tracks,
                 LProgressTask& task, const CdWriterTiming& timing) {
    task.SetText(0, "Checking drive and CD");
    task.SetText(1, "");
    const std::vector<CdDriveInfo> list = drives.Enumerate();
    std::unique_ptr<CdDevice> device;
    if (options.drive >= 0 && static_cast<std::size_t>(options.drive) < list.size())
        device = drives.OpenForWriting(list[static_cast<std::size_t>(options.drive)], nullptr);
    if (!device) {
        task.Error(kCannotAccess);
        return kTaskFailed;
    }
    if (tracks.empty()) return kTaskDone;
    DriveChannel channel(std::move(device));
    return Burn(channel, options, task, timing).Run(tracks);
}

}  // namespace sv
