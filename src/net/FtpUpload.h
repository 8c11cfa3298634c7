#pragma once
// The FTP upload of a file (libcurl): log on, change to the folder, write the file in pieces
// with progress and cancel. The password goes out only inside TLS (explicit FTPS) unless the
// user has allowed that server a plain logon. 0 done, 1 cancelled, 2 failed after one message.
#include <cstdint>
#include <string>

namespace sv {

class LProgressTask;

struct FtpTarget {
    std::string server;  // host, or host:port
    std::string user;
    std::string password;
    std::string directory;
    bool allowPlainLogin = false;
    std::string caFile;  // trusted authorities for FTPS; empty: the system's
    int connectMs = 30000;
    // A transfer that moves no byte for this long has failed.
    int stallMs = 60000;
};

// "ftp://server/dir/name" with every character outside the unreserved set escaped.
std::string FtpAddress(const std::string& server, const std::string& directory, const std::string& fileName);

int UploadByFtp(const std::string& path, const FtpTarget& target, LProgressTask& task);

}  // namespace sv
