#include "formats/MediaDecoder.h"

#include "core/ProgressTask.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"

namespace sv {

const char* const kMediaDecoderProgram = "ffmpeg";

int DecodeWithMediaDecoder(LProgressTask& task, const std::string& source, const std::string& wavPath) {
    // "file:" keeps names that start with "-" or contain ":" from being read as options or
    // protocols.
    const std::vector<std::string> argv = {kMediaDecoderProgram, "-nostdin", "-hide_banner", "-loglevel", "error",
                                           "-y", "-i", "file:" + source, "-map", "0:a:0", "-vn", "-sn", "-dn",
                                           "-acodec", "pcm_s16le", "-f", "wav", "file:" + wavPath};
    ChildProcess child;
    if (!child.Start(argv)) return kTaskFailed;
    while (!child.Wait(50)) {
        if (task.Pump()) {
            child.Kill();
            RemoveFile(wavPath);
            return kTaskCancelled;
        }
    }
    if (child.ExitCode() != 0 || FileSize(wavPath) <= 44) {
        RemoveFile(wavPath);
        return kTaskFailed;
    }
    return kTaskDone;
}

}  // namespace sv
