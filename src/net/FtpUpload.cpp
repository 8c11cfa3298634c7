#include "net/FtpUpload.h"

#include "core/ProgressTask.h"
#include "platform/SharedLibrary.h"

#include <cstdio>
#include <memory>
#include <string>

#include <curl/curl.h>

namespace sv {

namespace {

std::string Escaped(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string FileNameOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Transfer {
    std::FILE* file = nullptr;
    LProgressTask* task = nullptr;
    bool cancelled = false;
};

size_t ReadPiece(char* buffer, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    return std::fread(buffer, size, count, transfer->file);
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t uploadTotal, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(user);
    if (uploadTotal > 0) transfer->task->SetProgress(double(uploaded) / double(uploadTotal));
    if (transfer->task->Pump()) {
        transfer->cancelled = true;
        return 1;
    }
    return 0;
}

// The transfer library, opened with the first upload; null when it cannot be (why in *error).
struct CurlCalls {
    decltype(&curl_global_init) global_init = nullptr;
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_perform) easy_perform = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
};

const CurlCalls* Curl(std::string* error) {
    static SharedLibrary lib({"libcurl-gnutls.so.4", "libcurl.so.4"});
    static const CurlCalls* calls = [] {
        static CurlCalls c;
        lib.Bind(c.global_init, "curl_global_init");
        lib.Bind(c.easy_init, "curl_easy_init");
        lib.Bind(c.easy_setopt, "curl_easy_setopt");
        lib.Bind(c.easy_perform, "curl_easy_perform");
        lib.Bind(c.easy_cleanup, "curl_easy_cleanup");
        lib.Bind(c.easy_strerror, "curl_easy_strerror");
        // The library's own set-up, once per process, before any transfer.
        return lib.Complete() && c.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? &c : nullptr;
    }();
    if (!calls && error) *error = lib.Error();
    return calls;
}

struct CurlEasyFree {
    void operator()(CURL* c) const { Curl(nullptr)->easy_cleanup(c); }
};
struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string FtpAddress(const std::string& server, const std::string& directory, const std::string& fileName) {
    // A server typed as an address ("ftp://host/") names the same host.
    std::string host = server;
    if (host.compare(0, 6, "ftp://") == 0) host.erase(0, 6);
    while (!host.empty() && host.back() == '/') host.pop_back();
    std::string address = "ftp://" + host + "/";
    // An absolute folder starts from the server's root, not the logon folder.
    if (!directory.empty() && directory[0] == '/') address += "%2F";
    std::size_t start = 0;
    while (start <= directory.size()) {
        std::size_t slash = directory.find('/', start);
        std::string part = directory.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (!part.empty()) address += Escaped(part) + "/";
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return address + Escaped(fileName);
}

int UploadByFtp(const std::string& path, const FtpTarget& target, LProgressTask& task) {
    task.SetText(0, "Sending File...");
    task.SetText(1, "Connecting to Internet");
    if (target.server.empty()) {
        task.Error("The FTP server has not be set.");
        return kTaskFailed;
    }
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        task.Error("Unable to open the file \"" + path + "\".");
        return kTaskFailed;
    }
    std::fseek(file.get(), 0, SEEK_END);
    long size = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);

    std::string missing;
    const CurlCalls* calls = Curl(&missing);
    if (!calls) {
        task.Error("The FTP transfer library cannot be loaded (" + missing + ").");
        return kTaskFailed;
    }
    std::unique_ptr<CURL, CurlEasyFree> curl(calls->easy_init());
    if (!curl) {
        task.Error("Unable to connect to the internet.");
        return kTaskFailed;
    }
    Transfer transfer{file.get(), &task};
    CURL* c = curl.get();
    std::string address = FtpAddress(target.server, target.directory, FileNameOf(path));
    calls->easy_setopt(c, CURLOPT_URL, address.c_str());
    calls->easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    calls->easy_setopt(c, CURLOPT_USERNAME, target.user.c_str());
    calls->easy_setopt(c, CURLOPT_PASSWORD, target.password.c_str());
    calls->easy_setopt(c, CURLOPT_USE_SSL, target.allowPlainLogin ? CURLUSESSL_TRY : CURLUSESSL_ALL);
    if (!target.caFile.empty()) calls->easy_setopt(c, CURLOPT_CAINFO, target.caFile.c_str());
    calls->easy_setopt(c, CURLOPT_UPLOAD, 1L);
    calls->easy_setopt(c, CURLOPT_READFUNCTION, ReadPiece);
    calls->easy_setopt(c, CURLOPT_READDATA, &transfer);
    if (size >= 0) calls->easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    calls->easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    calls->easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    calls->easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    calls->easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(target.connectMs));
    calls->easy_setopt(c, CURLOPT_FTP_RESPONSE_TIMEOUT, static_cast<long>((target.stallMs + 999) / 1000));
    calls->easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    calls->easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>((target.stallMs + 999) / 1000));
    calls->easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    char detail[CURL_ERROR_SIZE] = {};
    calls->easy_setopt(c, CURLOPT_ERRORBUFFER, detail);

    task.SetText(1, "Connecting to " + target.server + "...");
    task.SetProgress(0);
    CURLcode rc = calls->easy_perform(c);
    if (rc == CURLE_OK) return kTaskDone;
    if (transfer.cancelled || rc == CURLE_ABORTED_BY_CALLBACK) return kTaskCancelled;
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        task.Error("Unable to connect to the internet.");
        break;
    case CURLE_USE_SSL_FAILED:
        task.Error("The FTP server \"" + target.server +
                   "\" does not offer an encrypted connection (FTPS), so the password was not sent. Allow an "
                   "unencrypted logon for this server in the FTP settings to send anyway.");
        break;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_SET_TYPE:
        if (!target.directory.empty()) {
            task.Error("Unable to change to FTP directory \"" + target.directory + "\"");
            break;
        }
        [[fallthrough]];
    case CURLE_UPLOAD_FAILED:
    case CURLE_WRITE_ERROR:
    case CURLE_READ_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_PARTIAL_FILE:
        task.Error("Unable to upload the file to \"" + target.server + "\" (" +
                   (detail[0] ? std::string(detail) : std::string(calls->easy_strerror(rc))) + ").");
        break;
    default:
        task.Error("Unable to log onto server \"" + target.server + "\"");
        break;
    }
    return kTaskFailed;
}

}  // namespace sv
