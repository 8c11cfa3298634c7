#include "core/Workspace.h"

#include <algorithm>

namespace sv {

Workspace::Workspace(Host& host, Settings& settings, BlockStore& blocks, Notifier& notifier)
    : host_(host), settings_(settings), blocks_(blocks), notifier_(notifier) {}

Workspace::~Workspace() {
    // Documents and the clipboard release their blocks before the store goes.
    active_ = nullptr;
    documents_.clear();
    clipboard_.Free();
    regions_.Clear();
}

void Workspace::SetActive(LAudioDocument* doc) {
    active_ = doc;
    CommandStatesChanged();
}

void Workspace::AddDocument(const Ref<LAudioDocument>& doc) {
    documents_.push_back(doc);
    active_ = doc.get();
    if (windows_) windows_->DocumentAdded(*doc);
    if (refreshBookmarkList) refreshBookmarkList();
    CommandStatesChanged();
}

void Workspace::RemoveDocument(LAudioDocument* doc) {
    auto it = std::find_if(documents_.begin(), documents_.end(),
                           [doc](const Ref<LAudioDocument>& d) { return d.get() == doc; });
    if (it == documents_.end()) return;
    Ref<LAudioDocument> keep = *it;  // alive until the window has gone too
    documents_.erase(it);
    if (active_ == doc) active_ = documents_.empty() ? nullptr : documents_.back().get();
    if (windows_) windows_->DocumentRemoved(*doc);
    if (refreshBookmarkList) refreshBookmarkList();
    CommandStatesChanged();
}

std::vector<std::string> Workspace::OpenTitles() const {
    std::vector<std::string> titles;
    for (const auto& d : documents_) titles.push_back(d->Title());
    return titles;
}

void Workspace::DocumentChanged(LAudioDocument& doc) {
    if (windows_) windows_->DocumentChanged(doc);
}

void Workspace::CommandStatesChanged() {
    if (windows_) windows_->CommandStatesChanged();
}

void Workspace::TileWindows() {
    if (windows_) windows_->TileWindows();
}

}  // namespace sv
