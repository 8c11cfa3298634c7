#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace sv {

namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe work here: the event loop does the rest.
void OnSignal(int sig) {
    const char byte = static_cast<char>(sig);
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

QObject* EndLoopOnTerminationSignals(QObject* parent, std::function<void()> shutDown) {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [shutDown] {
        char byte;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        if (shutDown)
            shutDown();
        else
            QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    return notifier;
}

}  // namespace sv
