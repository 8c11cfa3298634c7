#include "audio/AudioInput.h"

#include "audio/AlsaInput.h"
#include "audio/ScriptedInput.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sv {

LAudioInput::LAudioInput() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

void LAudioInput::Interrupt() {
    const std::uint64_t one = 1;
    // A full counter already means "woken"; nothing else can go wrong with an eventfd.
    [[maybe_unused]] ssize_t n = ::write(wake_.get(), &one, sizeof one);
}

void LAudioInput::ClearInterrupt() {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(wake_.get(), &count, sizeof count);
}

bool LAudioInput::Interrupted() {
    pollfd p{wake_.get(), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

int LAudioInput::WaitReadable(int fd, int timeoutMs) {
    pollfd fds[2] = {{wake_.get(), POLLIN, 0}, {fd, POLLIN, 0}};
    const int n = ::poll(fds, fd >= 0 ? 2 : 1, timeoutMs);
    if (n < 0) return errno == EINTR ? 1 : 0;  // a signal: let the caller look again
    if (n == 0) return 0;
    if (fds[0].revents & POLLIN) return -1;
    return 1;
}

namespace {

std::unique_ptr<LAudioInput> DefaultMaker() {
    const char* choice = std::getenv("SONVELA_AUDIO");
    if (choice && std::strcmp(choice, "null") == 0) return std::make_unique<LScriptedInput>(true);
    return std::make_unique<LAlsaInput>();
}

AudioInputMaker& Maker() {
    static AudioInputMaker maker = &DefaultMaker;
    return maker;
}

}  // namespace

std::unique_ptr<LAudioInput> CreateAudioInput() { return Maker()(); }

void SetAudioInputMaker(AudioInputMaker maker) { Maker() = maker ? maker : &DefaultMaker; }

}  // namespace sv
