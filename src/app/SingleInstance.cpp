#include "app/SingleInstance.h"

#include "platform/HandOverBlock.h"
#include "platform/Paths.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sv {

namespace {

constexpr char kAccepted = 'R';
constexpr char kRefused = 'X';

// A folder of the user's alone: created 0700, or an existing one that is ours and not a link.
bool PrivateFolder(const std::string& path, std::string* error) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        *error = "Le dossier \"" + path + "\" ne peut pas être créé.";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) {
        *error = "Le dossier \"" + path + "\" n'appartient pas à l'utilisateur.";
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
        *error = "Le dossier \"" + path + "\" est accessible à d'autres utilisateurs.";
        return false;
    }
    return true;
}

// Reads one answer byte, waiting as long as the editor stays connected.
bool ReadAnswer(QLocalSocket& socket, char* answer) {
    while (socket.bytesAvailable() < 1) {
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() < 1) return false;
        socket.waitForReadyRead(1000);
    }
    return socket.getChar(answer);
}

}  // namespace

bool FindInstancePlace(InstancePlace* place, std::string* error) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        folder = JoinPath(runtime, "sonvela");
    else
        folder = JoinPath(TempFolder(), "sonvela-" + std::to_string(::getuid()));
    if (!PrivateFolder(folder, error)) return false;
    place->folder = folder;
    place->lockPath = JoinPath(folder, "run.lock");
    place->socketPath = JoinPath(folder, "editor.socket");
    if (place->socketPath.size() >= sizeof(sockaddr_un{}.sun_path)) {
        *error = "Le chemin \"" + place->socketPath + "\" est trop long pour une prise locale.";
        return false;
    }
    return true;
}

HandOverOutcome HandOver(const std::string& socketPath, const std::vector<std::string>& args, RunLock& lock,
                         int* status, std::string* error) {
    *status = 1;
    std::vector<std::uint8_t> block;
    if (!EncodeHandOverBlock(args, &block, error)) return HandOverOutcome::Refused;
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketPath));
    if (!socket.waitForConnected(5000)) {
        const auto why = socket.error();
        if (why == QLocalSocket::ServerNotFoundError || why == QLocalSocket::ConnectionRefusedError)
            return HandOverOutcome::NoEditor;
        *error = "L'éditeur en cours ne répond pas (" + socket.errorString().toStdString() + ").";
        return HandOverOutcome::Failed;
    }
    socket.write(reinterpret_cast<const char*>(block.data()), static_cast<qint64>(block.size()));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(1000) && socket.state() != QLocalSocket::ConnectedState) break;
    }
    char answer = 0;
    if (!ReadAnswer(socket, &answer)) {
        *error = "L'éditeur en cours s'est arrêté avant de recevoir la ligne de commande.";
        return HandOverOutcome::Failed;
    }
    if (answer != kAccepted) {
        *error = "L'éditeur en cours a refusé la ligne de commande.";
        return HandOverOutcome::Refused;
    }
    lock.Release();
    if (!ReadAnswer(socket, &answer) || (answer != '0' && answer != '1')) {
        *error = "L'éditeur en cours s'est arrêté avant d'avoir exécuté la ligne de commande.";
        return HandOverOutcome::Failed;
    }
    *status = answer - '0';
    return HandOverOutcome::Done;
}

InstanceServer::InstanceServer(Runner run, Ready ready, QObject* parent)
    : QObject(parent), run_(std::move(run)), ready_(std::move(ready)) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] { Accept(); });
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    retry_->setInterval(50);
    connect(retry_, &QTimer::timeout, this, [this] { ProcessQueue(); });
}

InstanceServer::~InstanceServer() {
    if (server_) server_->close();
}

bool InstanceServer::Listen(const std::string& path, std::string* error) {
    const QString name = QString::fromStdString(path);
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        *error = "Impossible d'écouter sur \"" + path + "\" : " + server_->errorString().toStdString();
        return false;
    }
    return true;
}

void InstanceServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        buffers_[socket];
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Receive(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            buffers_.erase(socket);
            socket->deleteLater();
        });
        // A starter that never finishes its block is let go.
        QTimer::singleShot(receiveTimeoutMs_, socket, [this, socket] {
            if (buffers_.count(socket)) socket->abort();
        });
        Receive(socket);
    }
}

void InstanceServer::Receive(QLocalSocket* socket) {
    auto it = buffers_.find(socket);
    if (it == buffers_.end()) return;
    it->second.append(socket->readAll());
    if (it->second.size() < static_cast<qsizetype>(kHandOverBytes)) return;
    QByteArray data = std::move(it->second);
    buffers_.erase(it);
    std::vector<std::string> args;
    std::string error;
    if (!DecodeHandOverBlock(reinterpret_cast<const std::uint8_t*>(data.constData()),
                             static_cast<std::size_t>(data.size()), &args, &error)) {
        socket->putChar(kRefused);
        socket->flush();
        socket->disconnectFromServer();
        return;
    }
    socket->putChar(kAccepted);
    socket->flush();
    queue_.push_back({socket, std::move(args)});
    ProcessQueue();
}

void InstanceServer::ProcessQueue() {
    if (processing_ || queue_.empty()) return;
    if (ready_ && !ready_()) {
        retry_->start();
        return;
    }
    processing_ = true;
    Pending next = std::move(queue_.front());
    queue_.pop_front();
    const int status = run_(next.args);
    if (next.socket) {
        next.socket->putChar(status == 0 ? '0' : '1');
        next.socket->flush();
        next.socket->disconnectFromServer();
    }
    processing_ = false;
    if (!queue_.empty()) retry_->start(0);
}

}  // namespace sv
