#include "formats/PipeWriter.h"

#include "core/ProgressTask.h"
#include "formats/CoderProcess.h"
#include "formats/SampleConvert.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace sv {

LPipeWriter::LPipeWriter(const std::vector<std::string>& argv, std::string target, std::int32_t rate,
                         std::uint8_t channelCount, LProgressTask* task)
    : program_(argv.empty() ? std::string() : argv[0]), target_(std::move(target)), task_(task) {
    sampleRate = rate;
    channels = channelCount;
    IgnoreBrokenPipeSignal();
    log_ = PrivateTempFile::Create("encoder", ".log");
    int fd = -1;
    int err = 0;
    if (argv.empty() || !child_.StartWithInputPipe(argv, &fd, log_.Path(), &err)) {
        Fail("Le programme \"" + program_ + "\" n'a pas pu être démarré" +
             (err ? std::string(" : ") + std::strerror(err) : std::string()) + ".");
        return;
    }
    pipe_ = UniqueFd(fd);
    // Non-blocking, so that a coder that stops reading leaves Cancel working; a pipe larger
    // than the default 64 KiB keeps the coder fed while the editor waits for its turn.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    const int size = ::fcntl(fd, F_GETPIPE_SZ);
    if (size > 0) capacity_ = size;
}

LPipeWriter::~LPipeWriter() { Finish(); }

void LPipeWriter::Abandon(const std::string& why) {
    pipe_.Reset();
    child_.Kill();
    Fail(why);
}

// Coders read their input a page at a time, and a writer waiting on a full pipe is woken at
// every page read, which costs the coder more than the reading. So the pipe is refilled only
// once the coder has drained half of it, checked every millisecond (or at once when the coder
// closes its end).
bool LPipeWriter::WaitForRoom() {
    int queued = 0;
    while (::ioctl(pipe_.get(), FIONREAD, &queued) == 0 && queued > capacity_ / 2) {
        pollfd p{pipe_.get(), 0, 0};
        if (::poll(&p, 1, 1) > 0 && (p.revents & (POLLERR | POLLHUP))) return true;  // the write says why
        if (task_ && task_->Pump()) {
            cancelled_ = true;
            Abandon("Enregistrement annulé.");
            return false;
        }
    }
    return true;
}

bool LPipeWriter::WriteBytes(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        if (!WaitForRoom()) return false;
        ssize_t n = ::write(pipe_.get(), data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{pipe_.get(), POLLOUT, 0};
            ::poll(&p, 1, 50);
            if (task_ && task_->Pump()) {
                cancelled_ = true;
                Abandon("Enregistrement annulé.");
                return false;
            }
            continue;
        }
        // EPIPE: the coder has stopped reading; what it says about it is in its log.
        const int err = errno;
        pipe_.Reset();
        child_.Wait(3000);
        if (!child_.Running()) Fail(CoderFailureText(program_, child_.ExitCode(), log_.Path()));
        else Abandon(std::string("Le programme \"") + FileNamePart(program_) + "\" ne lit plus ses données : " +
                     std::strerror(err) + ".");
        return false;
    }
    return true;
}

void LPipeWriter::Write(const std::int32_t* src, std::int32_t frames) {
    if (error || frames <= 0) return;
    const std::size_t samples = static_cast<std::size_t>(frames) * channels;
    buffer_.resize(samples * 2);
    for (std::size_t i = 0; i < samples; ++i) {
        auto v = static_cast<std::uint16_t>(InternalToInt16(src[i]));
        buffer_[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
        buffer_[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    if (WriteBytes(buffer_.data(), buffer_.size())) framesWritten += frames;
}

void LPipeWriter::Truncate(std::int32_t frame) {
    if (frame != framesWritten) Abandon("Le flux d'un codeur ne peut pas revenir en arrière.");
}

bool LPipeWriter::DoFinish() {
    if (error) {
        if (child_.Running()) child_.Kill();
        return false;
    }
    // Closing is the encoder's end of input; it then writes out the rest and exits.
    if (!pipe_.Reset()) {
        Abandon("Le flux vers le codeur n'a pas pu être fermé.");
        return false;
    }
    if (WaitUnderTask(task_, child_) == kTaskCancelled) {
        cancelled_ = true;
        Fail("Enregistrement annulé.");
        return false;
    }
    if (child_.ExitCode() != 0) {
        Fail(CoderFailureText(program_, child_.ExitCode(), log_.Path()));
        return false;
    }
    if (FileSize(target_) <= 0) {
        Fail("Le programme \"" + FileNamePart(program_) + "\" n'a pas écrit le fichier.");
        return false;
    }
    return true;
}

}  // namespace sv
