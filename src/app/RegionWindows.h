#pragma once
// The frame's bookmark and region list windows and its join dialog, made on first use, and the
// project in the frame's title. Installs the workspace hooks that show and refresh them.
#include <memory>

class QWidget;

namespace sv {

class BookmarkListWindow;
class RegionListWindow;
class Workspace;

class RegionWindows {
public:
    RegionWindows(Workspace& ws, QWidget* frame);
    ~RegionWindows();
    RegionWindows(const RegionWindows&) = delete;
    RegionWindows& operator=(const RegionWindows&) = delete;

    void ShowBookmarkList();
    void ShowRegionList();
    void ShowJoinDialog();
    // Null until first shown.
    BookmarkListWindow* BookmarkList() const { return bookmarks_; }
    RegionListWindow* RegionList() const { return regions_; }

private:
    void UpdateTitle();
    Workspace& ws_;
    QWidget* frame_;
    BookmarkListWindow* bookmarks_ = nullptr;  // owned by the frame, as child windows
    RegionListWindow* regions_ = nullptr;
};

}  // namespace sv
