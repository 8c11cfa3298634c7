#pragma once
// The application object as the core sees it: the open documents in creation order, the
// active one, the document clipboard, and the services every command uses (the Host, the
// settings, the block store, the notifier). The frame window implements FrameWindows to show
// what changes here; headless tests use no windows at all.
#include "core/AudioData.h"
#include "core/AudioReader.h"
#include "core/AudioDocument.h"
#include "core/RegionList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sv {

class BlockStore;
class Host;
class LProgressTask;
class Notifier;
class Settings;
struct NoisePrint;
class SystemClipboard;

class FrameWindows {
public:
    virtual ~FrameWindows() = default;
    virtual void DocumentAdded(LAudioDocument& doc) = 0;
    virtual void DocumentRemoved(LAudioDocument& doc) = 0;
    virtual void DocumentChanged(LAudioDocument& doc) = 0;
    virtual void CommandStatesChanged() = 0;
    virtual void TileWindows() = 0;
};

class Workspace {
public:
    Workspace(Host& host, Settings& settings, BlockStore& blocks, Notifier& notifier);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    Host& host() { return host_; }
    Settings& settings() { return settings_; }
    BlockStore& blocks() { return blocks_; }
    Notifier& notifier() { return notifier_; }
    void SetWindows(FrameWindows* windows) { windows_ = windows; }

    const std::vector<Ref<LAudioDocument>>& Documents() const { return documents_; }
    // Null when no document window is open.
    LAudioDocument* Active() const { return active_; }
    void SetActive(LAudioDocument* doc);
    // The list holds one reference, the window the other.
    void AddDocument(const Ref<LAudioDocument>& doc);
    void RemoveDocument(LAudioDocument* doc);
    std::vector<std::string> OpenTitles() const;

    void DocumentChanged(LAudioDocument& doc);
    void CommandStatesChanged();
    void TileWindows();

    // The frame's regions, in list order, kept for as long as the program runs.
    RegionList& Regions() { return regions_; }
    const RegionList& Regions() const { return regions_; }
    // The current project file; empty when no project is open.
    std::string projectPath;

    LAudioData& Clipboard() { return clipboard_; }
    const LAudioData& Clipboard() const { return clipboard_; }

    // Filled in by the layers above as they come: playback stopping, saving a document
    // (true when saved; askName forces the save-as dialog), recording a recent file.
    std::function<void()> stopPlayback;
    std::function<bool(LAudioDocument&, bool askName)> saveDocument;
    std::function<void(const std::string&)> addRecentFile;
    // Plays the active document from a frame (the player, once it exists).
    std::function<void(std::int32_t fromFrame)> startPlayback;
    // Plays a reader already positioned, for frames frames: an effect's preview.
    std::function<void(Ref<LAudioReader> reader, std::int32_t frames)> playPreview;
    // True while the player is running (the player, once it exists).
    std::function<bool()> isPlaying;
    // Converts sound to another rate and channel count under a running task (the dispatch
    // layer, once it exists): 0 done, 1 cancelled, 2 failed. Unset, such a paste is refused.
    std::function<int(LProgressTask&, LAudioData& sound, std::int32_t rate, std::uint8_t channels)> convertSound;
    // The bookmark and region list windows and the join dialog (the frame, once it exists):
    // showing a list opens it or refreshes it when open; a refresh leaves a closed list closed.
    std::function<void()> showBookmarkList;
    std::function<void()> refreshBookmarkList;
    std::function<void()> showRegionList;
    std::function<void()> refreshRegionList;
    std::function<void()> showJoinDialog;
    // The project path changed (the frame's title shows it).
    std::function<void()> projectChanged;
    // The noise print the last noise capture took (effects/NoisePrint.h); null before one.
    std::shared_ptr<const NoisePrint> noisePrint;
    // The desktop's clipboard; null when there is none (headless runs).
    SystemClipboard* systemClipboard = nullptr;

private:
    Host& host_;
    Settings& settings_;
    BlockStore& blocks_;
    Notifier& notifier_;
    FrameWindows* windows_ = nullptr;
    std::vector<Ref<LAudioDocument>> documents_;
    LAudioDocument* active_ = nullptr;
    LAudioData clipboard_;
    RegionList regions_;
};

}  // namespace sv
