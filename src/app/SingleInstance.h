#pragma once
// One editor per user: the run lock and the listening socket live in a private folder of
// $XDG_RUNTIME_DIR. A later start sends its command line as the 33,284-byte hand-over block
// and waits: the editor answers 'R' once the block is accepted (the starter then lets the
// next start in) and, once the command line has run, '0' or '1' (it failed).
#include "platform/RunLock.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace sv {

struct InstancePlace {
    std::string folder;      // user-only
    std::string lockPath;    // the run lock
    std::string socketPath;  // where the running editor listens
};

// $XDG_RUNTIME_DIR/sonvela, else the temporary folder's sonvela-UID; created with mode 0700.
// False with *error when no folder of the user's alone can be had.
bool FindInstancePlace(InstancePlace* place, std::string* error);

enum class HandOverOutcome {
    NoEditor,  // nobody listens: this start becomes the editor
    Done,      // the editor ran the command line (*status is its result)
    Refused,   // the command line cannot be carried, or the editor refused it (*error)
    Failed,    // the editor went away or does not answer (*error)
};

// Hands args (argument 0 included) to the editor listening at socketPath. lock is released
// as soon as the editor has accepted the block.
HandOverOutcome HandOver(const std::string& socketPath, const std::vector<std::string>& args, RunLock& lock,
                         int* status, std::string* error);

class InstanceServer : public QObject {
public:
    // Runs a received command line (argument 0 included) and gives its status (0 or 1).
    using Runner = std::function<int(const std::vector<std::string>& args)>;
    // False while the editor cannot take a command line now (a modal dialog, a walk running).
    using Ready = std::function<bool()>;

    InstanceServer(Runner run, Ready ready, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Listens at path, first removing a socket left by an editor that died: call it only while
    // holding the run lock. False with *error when it cannot listen.
    bool Listen(const std::string& path, std::string* error);
    // Time a connection gets to deliver its block before it is dropped.
    void SetReceiveTimeoutMs(int ms) { receiveTimeoutMs_ = ms; }

private:
    struct Pending {
        QPointer<QLocalSocket> socket;
        std::vector<std::string> args;
    };
    void Accept();
    void Receive(QLocalSocket* socket);
    void ProcessQueue();

    Runner run_;
    Ready ready_;
    QLocalServer* server_ = nullptr;
    QTimer* retry_ = nullptr;
    std::map<QLocalSocket*, QByteArray> buffers_;
    std::deque<Pending> queue_;
    bool processing_ = false;
    int receiveTimeoutMs_ = 10000;
};

}  // namespace sv
