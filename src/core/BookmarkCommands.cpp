#include "core/BookmarkCommands.h"

#include "core/AudioDocument.h"
#include "core/BookmarkList.h"
#include "core/CleanName.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>

namespace sv {

namespace {

bool IsOpen(const Workspace& ws, const LAudioDocument* doc) {
    for (const auto& d : ws.Documents())
        if (d.get() == doc) return true;
    return false;
}

void Changed(Workspace& ws, LAudioDocument& doc) {
    doc.modified = 1;
    ws.DocumentChanged(doc);
}

void RefreshList(Workspace& ws) {
    if (ws.refreshBookmarkList) ws.refreshBookmarkList();
    ws.CommandStatesChanged();
}

bool NameInUse(const Workspace& ws, const std::string& name, const LBookmark* except) {
    for (const auto& d : ws.Documents())
        for (const LBookmark& b : d->bookmarks)
            if (&b != except && b.name == name) return true;
    return false;
}

// Keeps the frame visible, the view's width unchanged.
void ScrollTo(LAudioDocument& doc, std::int32_t frame) {
    // No view yet: the window shows the whole sound when it first draws.
    if (doc.viewEnd <= doc.viewStart) return;
    if (frame >= doc.viewStart && frame < doc.viewEnd) return;
    std::int64_t width = std::int64_t(doc.viewEnd) - doc.viewStart;
    std::int64_t start = std::max<std::int64_t>(frame - width / 2, 0);
    std::int64_t end = std::min<std::int64_t>(start + width, doc.Length());
    doc.viewStart = static_cast<std::int32_t>(std::max<std::int64_t>(end - width, 0));
    doc.viewEnd = static_cast<std::int32_t>(end);
}

}  // namespace

std::string DefaultBookmarkName(const LAudioDocument& doc) {
    return doc.Title() + "@" + FormatTimeText(FramesToMs(doc.cursor, doc.sound.sampleRate));
}

void SetBookmarkCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    Host& host = ws.host();
    if (doc->bookmarks.size() >= kMaxBookmarks) {
        host.MessageBox("Un document ne peut contenir plus de 255 signets.", "Sonvela", MsgIcon::Information,
                        MsgButtons::Ok);
        return;
    }
    std::string name = DefaultBookmarkName(*doc);
    for (;;) {
        std::optional<std::string> typed = host.InputBox("Entrez un Nom de Signet", "Nom du signet:", name);
        if (!typed) return;
        name = *typed;
        if (name.empty()) {
            host.MessageBox("The name must contain text.", "Name Invalid", MsgIcon::Information, MsgButtons::Ok);
            continue;
        }
        bool askAgain = false;
        for (const Ref<LAudioDocument>& other : ws.Documents()) {
            if (FindBookmark(*other, name) < 0) continue;
            MsgAnswer a = host.MessageBox("Ce nom de signet existe déjà. Souhaitez-vous le remplacer?",
                                          "Le Signet Existe", MsgIcon::Question, MsgButtons::YesNoCancel);
            if (a == MsgAnswer::Cancel) return;
            if (a == MsgAnswer::No) {
                askAgain = true;
                continue;
            }
            RemoveBookmarksNamed(*other, name);
            Changed(ws, *other);
        }
        if (!askAgain) break;
    }
    AddBookmark(*doc, BookmarkAtCursor(*doc, name));
    Changed(ws, *doc);
    RefreshList(ws);
}

std::vector<BookmarkLine> BookmarkLines(const Workspace& ws) {
    std::vector<BookmarkLine> lines;
    for (const auto& d : ws.Documents())
        for (std::size_t i = 0; i < d->bookmarks.size(); ++i) lines.push_back({d.get(), i});
    return lines;
}

LBookmark* LineBookmark(const Workspace& ws, const BookmarkLine& line) {
    if (!IsOpen(ws, line.doc) || line.index >= line.doc->bookmarks.size()) return nullptr;
    return &line.doc->bookmarks[line.index];
}

std::string LastUsedText(std::int32_t seconds) {
    std::time_t t = seconds;
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

void GoToBookmark(Workspace& ws, const BookmarkLine& line) {
    LBookmark* mark = LineBookmark(ws, line);
    if (!mark) return;
    LAudioDocument& doc = *line.doc;
    ws.SetActive(&doc);
    std::int32_t frame = std::clamp(MsToFrames(mark->timeMs, doc.sound.sampleRate), 0, doc.Length());
    doc.SetSelection(frame, frame, frame);
    ScrollTo(doc, frame);
    mark->lastUsed = NowSeconds();
    ws.DocumentChanged(doc);
    if (ws.refreshBookmarkList) ws.refreshBookmarkList();
    if (ws.settings().ReadIntSetting("Settings", "PlayBookMark", 0) != 0 && ws.startPlayback) {
        if (ws.stopPlayback) ws.stopPlayback();
        ws.startPlayback(frame);
    }
}

bool RenameBookmark(Workspace& ws, const BookmarkLine& line, const std::string& name) {
    LBookmark* mark = LineBookmark(ws, line);
    if (!mark) return false;
    const std::string clean = CleanName(name);
    if (clean.empty()) {
        ws.host().MessageBox("The name must contain text.", "Name Invalid", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    if (clean == mark->name) return true;
    if (NameInUse(ws, clean, mark)) {
        ws.host().MessageBox("The bookmark cannot be renamed because another bookmark with the same name already "
                             "exists. Please try another name.",
                             "Bookmark Name Exists", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    mark->name = clean;
    Changed(ws, *line.doc);
    RefreshList(ws);
    return true;
}

void DeleteBookmarks(Workspace& ws, const std::vector<BookmarkLine>& lines) {
    if (lines.empty()) return;
    if (ws.host().MessageBox("Supprimer le(s) signet(s) sélectionné(s)?", "Confirmer la Suppression",
                             MsgIcon::Question, MsgButtons::YesNoCancel) != MsgAnswer::Yes)
        return;
    // Per document, from the last index down, so that earlier indices stay valid.
    std::map<LAudioDocument*, std::vector<std::size_t>> byDoc;
    for (const BookmarkLine& line : lines)
        if (LineBookmark(ws, line)) byDoc[line.doc].push_back(line.index);
    for (auto& [doc, indices] : byDoc) {
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        for (auto it = indices.rbegin(); it != indices.rend(); ++it)
            doc->bookmarks.erase(doc->bookmarks.begin() + static_cast<std::ptrdiff_t>(*it));
        Changed(ws, *doc);
    }
    RefreshList(ws);
}

void DeleteAllBookmarks(Workspace& ws) {
    if (ws.host().MessageBox("Supprimer tous les signets sélectionnés?", "Confirmer la Suppression Totale",
                             MsgIcon::Question, MsgButtons::YesNoCancel) != MsgAnswer::Yes)
        return;
    for (const auto& d : ws.Documents()) {
        if (d->bookmarks.empty()) continue;
        d->bookmarks.clear();
        Changed(ws, *d);
    }
    RefreshList(ws);
}

void RegisterBookmarkCommands(CommandRegistry& registry) {
    registry.Register(kCmdSetBookmark, {SetBookmarkCommand, HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdBookmarkList, {[](Workspace& ws) {
                                             if (ws.showBookmarkList) ws.showBookmarkList();
                                         },
                                         [](const Workspace& ws) { return bool(ws.showBookmarkList); }, nullptr,
                                         nullptr});
}

}  // namespace sv
