#pragma once
// SIGTERM, SIGINT and SIGHUP end the event loop in order, as the end of a session does, so the
// documents are freed and the working folder's block files deleted on the way out instead of
// being left for the next start to clear.
#include <QObject>

#include <functional>

namespace sv {

// Installs the handlers; the returned object lives as long as the handling should. On a signal
// shutDown runs on the event loop's thread (it ends the loop itself); without one the loop ends.
QObject* EndLoopOnTerminationSignals(QObject* parent, std::function<void()> shutDown = nullptr);

}  // namespace sv
