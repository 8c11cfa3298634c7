#include "app/RegionWindows.h"

#include "app/BookmarkListWindow.h"
#include "app/JoinRegionsDialog.h"
#include "app/RegionListWindow.h"
#include "core/Workspace.h"
#include "platform/Paths.h"

#include <QWidget>

namespace sv {

RegionWindows::RegionWindows(Workspace& ws, QWidget* frame) : ws_(ws), frame_(frame) {
    ws_.showBookmarkList = [this] { ShowBookmarkList(); };
    ws_.refreshBookmarkList = [this] {
        if (bookmarks_ && bookmarks_->isVisible()) bookmarks_->Refresh();
    };
    ws_.showRegionList = [this] { ShowRegionList(); };
    ws_.refreshRegionList = [this] {
        if (regions_ && regions_->isVisible()) regions_->Refresh();
    };
    ws_.showJoinDialog = [this] { ShowJoinDialog(); };
    ws_.projectChanged = [this] { UpdateTitle(); };
}

RegionWindows::~RegionWindows() {
    ws_.showBookmarkList = nullptr;
    ws_.refreshBookmarkList = nullptr;
    ws_.showRegionList = nullptr;
    ws_.refreshRegionList = nullptr;
    ws_.showJoinDialog = nullptr;
    ws_.projectChanged = nullptr;
}

void RegionWindows::ShowBookmarkList() {
    if (!bookmarks_) bookmarks_ = new BookmarkListWindow(ws_, frame_);
    bookmarks_->Refresh();
    bookmarks_->show();
    bookmarks_->raise();
}

void RegionWindows::ShowRegionList() {
    if (!regions_) regions_ = new RegionListWindow(ws_, frame_);
    regions_->Refresh();
    regions_->show();
    regions_->raise();
}

void RegionWindows::ShowJoinDialog() {
    JoinRegionsDialog dialog(ws_, frame_);
    dialog.exec();
}

void RegionWindows::UpdateTitle() {
    QString title = "Sonvela";
    if (!ws_.projectPath.empty()) title += " - " + QString::fromStdString(FileNamePart(ws_.projectPath));
    frame_->setWindowTitle(title);
}

}  // namespace sv
