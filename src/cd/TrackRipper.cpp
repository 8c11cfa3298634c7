#include "cd/TrackRipper.h"

#include "cd/DiscRecord.h"
#include "cd/DriveChannel.h"
#include "core/AudioReader.h"
#include "core/AudioWriter.h"
#include "core/ProgressTask.h"
#include "formats/BigEndian.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace sv {

namespace {

std::shared_ptr<ScsiCommand> ReadCdCommand(std::uint32_t lba, int sectors, int budgetMs) {
    auto cmd = std::make_shared<ScsiCommand>();
    cmd->cdb = {0xBE,
                0x00,
                static_cast<std::uint8_t>(lba >> 24),
                static_cast<std::uint8_t>(lba >> 16),
                static_cast<std::uint8_t>(lba >> 8),
                static_cast<std::uint8_t>(lba),
                0x00,
                0x00,
                static_cast<std::uint8_t>(sectors),
                0xF0,
                0x00,
                0x00};
    cmd->cdbLength = 12;
    cmd->data.resize(static_cast<std::size_t>(sectors) * kCdSectorBytes);
    cmd->timeoutMs = budgetMs;
    return cmd;
}

std::string ReadFailure(std::uint32_t lba, const std::string& why) {
    return "Erreur de lecture du CD au secteur " + std::to_string(lba) + " : " + why + ".";
}

}  // namespace

void ConvertCdAudio(const std::uint8_t* bytes, std::int32_t frames, std::int32_t* samples) {
    const std::int32_t count = frames * 2;
    for (std::int32_t i = 0; i < count; ++i) {
        auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        samples[i] = static_cast<std::int32_t>(value) * 16;
    }
}

int RipTrack(DriveChannel& channel, const CdRipJob& job, LAudioWriter& sink, LProgressTask& task, int readBudgetMs) {
    task.SetText(0, "Loading " + job.title);
    task.SetText(1, "Ripping Digital Audio...");
    if (job.endSector <= job.firstSector) return kTaskDone;
    const std::uint32_t total = job.endSector - job.firstSector;
    if (total > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max() / kCdFramesPerSector)) {
        task.Error("La piste \"" + job.title + "\" est trop longue pour être chargée.");
        return kTaskFailed;
    }

    std::vector<std::int32_t> samples(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    std::uint32_t next = job.firstSector;
    auto startRead = [&](int most) {
        int sectors = static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(most), job.endSector - next));
        auto cmd = ReadCdCommand(next, sectors, readBudgetMs);
        next += static_cast<std::uint32_t>(sectors);
        channel.Submit(cmd);
        return cmd;
    };

    std::shared_ptr<ScsiCommand> current = startRead(kFirstReadSectors);
    std::uint32_t read = 0;
    for (;;) {
        int completed = channel.Complete(current, &task, readBudgetMs);
        if (completed == kTaskCancelled) return kTaskCancelled;
        const std::uint32_t lba = GetBe32(&current->cdb[2]);
        if (completed != kTaskDone) {
            task.Error(ReadFailure(lba, channel.FailureText(*current)));
            return kTaskFailed;
        }
        const int sectors = current->cdb[8];
        if (current->BytesReceived() < current->DataLength()) {
            task.Error(ReadFailure(lba, "données incomplètes"));
            return kTaskFailed;
        }
        read += static_cast<std::uint32_t>(sectors);
        task.SetProgress(static_cast<double>(read) / static_cast<double>(total));
        if (task.Pump()) return kTaskCancelled;

        std::shared_ptr<ScsiCommand> following;
        if (next < job.endSector) following = startRead(kReadSectors);

        const std::int32_t frames = sectors * kCdFramesPerSector;
        for (std::int32_t done = 0; done < frames;) {
            std::int32_t piece = std::min(kMaxFramesPerCall, frames - done);
            ConvertCdAudio(current->data.data() + static_cast<std::size_t>(done) * 4, piece, samples.data());
            sink.Write(samples.data(), piece);
            if (sink.error) {
                task.Error(sink.errorText.empty() ? "Impossible d'enregistrer les données de la piste." : sink.errorText);
                return kTaskFailed;
            }
            done += piece;
        }
        if (!following) return kTaskDone;
        current = std::move(following);
    }
}

int RipTrackFromDrive(CdDriveSource& drives, const CdRipJob& job, LAudioWriter& sink, LProgressTask& task,
                      int readBudgetMs) {
    std::vector<CdDriveInfo> list = drives.Enumerate();
    std::string why = "lecteur introuvable";
    std::unique_ptr<CdDevice> device;
    if (job.driveIndex < list.size()) device = drives.Open(list[job.driveIndex], &why);
    if (!device) {
        task.Error("Impossible d'ouvrir le lecteur de CD : " + why + ".");
        return kTaskFailed;
    }
    DriveChannel channel(std::move(device));
    return RipTrack(channel, job, sink, task, readBudgetMs);
}

}  // namespace sv
