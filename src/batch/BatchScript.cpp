#include "batch/BatchScript.h"

#include "core/Host.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

const char* const kScriptDamagedText =
    "Ce fichier ne peut être lu avec cette version de Sonvela ou est peut être endommagé.";

namespace {

const char* const kCannotOpenText =
    "Sonvela ne parvient pas à ouvrir ce fichier. Le fichier n'existe pas ou est peut être endommagé.";

// No list of twenty commands comes near this; a bigger file is not a script.
constexpr std::size_t kMaxScriptBytes = 1 << 20;

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

void PutU32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool ReadAll(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::uint8_t buf[8192];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(buf, 1, sizeof buf, f);
        bytes.insert(bytes.end(), buf, buf + n);
        if (bytes.size() > kMaxScriptBytes) { ok = false; break; }
        if (n < sizeof buf) { ok = !std::ferror(f); break; }
    }
    std::fclose(f);
    return ok;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

ScriptParse ParseBatchScript(const std::vector<std::uint8_t>& bytes, std::vector<LBatchEntry>& list) {
    list.clear();
    if (bytes.empty() || bytes[0] != 0) return ScriptParse::BadVersion;
    std::vector<LBatchEntry> read;
    std::size_t at = 1;
    while (at < bytes.size()) {
        // A row and length cut short end the list as the format says; but a stray byte or
        // three after the last entry is a damaged file, not a silent end.
        if (bytes.size() - at < 8) return ScriptParse::Damaged;
        LBatchEntry entry;
        entry.row = U32(bytes, at);
        const std::uint32_t length = U32(bytes, at + 4);
        at += 8;
        if (entry.row >= kBatchRowCount || length > kMaxBatchSettingsLength || length > bytes.size() - at)
            return ScriptParse::Damaged;
        entry.settings.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
        if (CheckBatchEntryBytes(entry)) return ScriptParse::Damaged;
        read.push_back(std::move(entry));
    }
    list = std::move(read);
    return ScriptParse::Ok;
}

std::vector<std::uint8_t> BatchScriptBytes(const std::vector<LBatchEntry>& list) {
    std::vector<std::uint8_t> b{0};
    for (const LBatchEntry& e : list) {
        PutU32(b, e.row);
        PutU32(b, static_cast<std::uint32_t>(e.settings.size()));
        b.insert(b.end(), e.settings.begin(), e.settings.end());
    }
    return b;
}

bool ReadBatchScript(const std::string& path, std::vector<LBatchEntry>& list, std::string* error) {
    list.clear();
    std::vector<std::uint8_t> bytes;
    if (!ReadAll(path, bytes)) {
        if (error) *error = bytes.size() > kMaxScriptBytes ? kScriptDamagedText : kCannotOpenText;
        return false;
    }
    if (ParseBatchScript(bytes, list) != ScriptParse::Ok) {
        if (error) *error = kScriptDamagedText;
        return false;
    }
    return true;
}

bool LoadBatchScript(const std::string& path, std::vector<LBatchEntry>& list, Host& host) {
    std::string error;
    if (ReadBatchScript(path, list, &error)) return true;
    host.MessageBox(error, "Erreur Fichier", MsgIcon::Error, MsgButtons::Ok);
    return false;
}

bool SaveBatchScript(const std::string& path, const std::vector<LBatchEntry>& list, Host& host) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    bool ok = fd >= 0;
    if (ok) {
        ok = WriteAll(fd, BatchScriptBytes(list)) && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        // mkstemp's 0600 would keep the script from others who could read the folder's files.
        if (ok) ::chmod(temp.c_str(), 0644);
        ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
        if (!ok) ::unlink(temp.c_str());
    }
    if (!ok) host.MessageBox(kCannotOpenText, "Erreur Fichier", MsgIcon::Error, MsgButtons::Ok);
    return ok;
}

}  // namespace sv
