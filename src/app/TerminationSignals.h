#pragma once
// SIGTERM, SIGINT and SIGHUP end the event loop in order, as the end of a session does, so the
// documents are freed and the working folder's block files deleted on the way out instead of
// being left for the next start to clear.
#include <QObject>

namespace sv {

// Installs the handlers; the returned object lives as long as the handling should.
QObject* EndLoopOnTerminationSignals(QObject* parent);

}  // namespace sv
