#include "core/BookmarkFile.h"

#include "core/AudioDocument.h"
#include "core/BookmarkList.h"
#include "core/ByteStream.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace sv {

void WriteBookmarkRecord(ByteSink& out, const LBookmark& mark) {
    out.Text(mark.name);
    out.Text(mark.title);
    out.I32(mark.timeMs);
    out.U8(mark.flag);
    out.I32(mark.lastUsed);
}

bool ReadBookmarkRecord(ByteSource& in, LBookmark& mark) {
    return in.Text(mark.name) && in.Text(mark.title) && in.I32(mark.timeMs) && in.U8(mark.flag) &&
           in.I32(mark.lastUsed);
}

std::string CompanionPath(const std::string& documentPath) {
    std::size_t slash = documentPath.find_last_of("/\\");
    std::size_t dot = documentPath.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return documentPath + ".wbm";
    return documentPath.substr(0, dot) + ".wbm";
}

bool ReadCompanionFile(const std::string& path, std::vector<LBookmark>& out) {
    UniqueFd fd = UniqueFd::OpenSharedRead(path);
    if (!fd.valid()) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    ByteSource in(fd.get(), static_cast<std::uint64_t>(st.st_size));
    std::uint8_t version = 0, count = 0;
    if (!in.U8(version) || version < kCompanionVersion) return false;
    if (!in.U8(count)) return true;
    for (int i = 0; i < count; ++i) {
        LBookmark mark;
        if (!ReadBookmarkRecord(in, mark)) break;
        out.push_back(std::move(mark));
    }
    return true;
}

void LoadCompanion(LAudioDocument& doc) {
    const std::string path = CompanionPath(doc.path);
    std::vector<LBookmark> marks;
    if (!ReadCompanionFile(path, marks)) return;
    doc.companionFile = path;
    // A stored list may be out of order or too long when edited elsewhere; keep ours sane.
    for (const LBookmark& m : marks)
        if (!AddBookmark(doc, m)) break;
}

bool SaveCompanion(LAudioDocument& doc, std::string* why) {
    const std::string path = CompanionPath(doc.path);
    if (doc.bookmarks.empty()) {
        if (doc.companionFile == path && FileExists(path)) RemoveFile(path);
        if (doc.companionFile == path) doc.companionFile.clear();
        return true;
    }
    if (doc.bookmarks.size() > kMaxBookmarks) {
        if (why) *why = "Un fichier de signets ne peut contenir plus de 255 signets.";
        return false;
    }
    if (!WaitUntilUnlocked(path)) {
        if (why) *why = std::strerror(EBUSY);
        return false;
    }
    UniqueFd fd;
    const std::string temp = CreateSiblingTemp(path, fd);
    if (temp.empty()) {
        if (why) *why = std::strerror(errno);
        return false;
    }
    ByteSink out(fd.get());
    out.U8(kCompanionVersion);
    out.U8(static_cast<std::uint8_t>(doc.bookmarks.size()));
    for (const LBookmark& m : doc.bookmarks) WriteBookmarkRecord(out, m);
    bool ok = out.Flush();
    int err = errno;
    ok = fd.Reset() && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        RemoveFile(temp);
        if (why) *why = std::strerror(err);
        return false;
    }
    doc.companionFile = path;
    return true;
}

}  // namespace sv
