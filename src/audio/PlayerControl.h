#pragma once
// PlayerControl: the frame's wave player and everything the Control menu does with it (play,
// stop, scrub hold, go to start or end, rewind and fast forward held down, play speed, loop),
// the frame's player listener (the document cursor follows what is heard) and the selecting
// moves made with Shift. The frame shows the results through a PlayerView; without one
// (headless) only the document changes.
#include "audio/WavePlayer.h"
#include "core/AudioDocument.h"

#include <cstdint>
#include <memory>

namespace sv {

class Workspace;

// What the frame shows of the player (its command bar and the document windows).
class PlayerView {
public:
    virtual ~PlayerView() = default;
    // Play shows "PlayActiveBitmap" and stop "StopBitmap" while playing, the reverse when not.
    virtual void ShowPlaying(bool playing) { (void)playing; }
    virtual void RefreshCommandBar() {}
    virtual void ShowLevels(int channels, const std::int8_t* levels) { (void)channels; (void)levels; }
    // The cursor moved: time display, position slider, and the view kept on the cursor.
    virtual void ShowCursor(LAudioDocument& doc) { (void)doc; }
    // direction -1 rewind, +1 fast forward.
    virtual void ShowShuttlePressed(int direction, bool pressed) { (void)direction; (void)pressed; }
    virtual void ShowVolume(int db) { (void)db; }
};

// The keys of the selecting moves.
enum class MoveKey { Shift, Home, End, Left, Right, F7, F8 };

class PlayerControl : public LPlayerListener {
public:
    explicit PlayerControl(Workspace& ws, std::unique_ptr<LAudioDevice> device = CreateAudioDevice(),
                           std::unique_ptr<LAudioDevice> previewDevice = CreateAudioDevice());
    ~PlayerControl() override;

    // Fills the workspace's playback hooks (every edit stops playback first) and the effect
    // preview's player; the destructor empties them again.
    void InstallHooks();
    void SetView(PlayerView* view) { view_ = view ? view : &noView_; }

    LWavePlayer& Player() { return player_; }
    LWavePlayer& PreviewPlayer() { return preview_; }

    void Play();
    void PlayAtSpeed(int speed);  // "PlaySpeed" 0 slow, 1 normal, 2 fast, then play
    void ToggleLoop();
    bool LoopOn() const;
    void Stop();
    void Pause();
    void GoToStart();
    void GoToEnd();
    // direction -1 rewind, +1 fast forward; press and release of the command bar's buttons.
    void PressShuttle(int direction);
    void ReleaseShuttle();
    // The menu items (and their keys, whose release also releases): nothing holds a menu item
    // down, so choosing the active direction again releases it.
    void ShuttleCommand(int direction);
    int ActiveShuttle() const { return shuttle_; }

    // Device volume in whole dB (-127..127); false where the device has no volume control.
    bool VolumeDb(int* db);
    bool SetVolumeDb(int db);
    // Lowers (d > 0) or raises the volume by d dB.
    bool ChangeVolumeDb(int d);

    // Selecting moves: keys pressed and released with a document open.
    void KeyDown(MoveKey key, bool shift);
    void KeyUp(MoveKey key);
    // The waveform control's edge notifications (codes 4 to 7) with its selection.
    void WaveEdge(int code, std::int32_t selectionStart, std::int32_t selectionEnd);
    bool SelectingMode() const { return selecting_; }
    std::int32_t Pivot() const { return pivot_; }

    // Listener operations (window thread).
    void Playing(std::intptr_t cookie) override;
    void Closed(std::intptr_t cookie) override;
    void Held(std::intptr_t cookie) override;
    void Position(std::int32_t ms, std::intptr_t cookie) override;
    void Levels(int channels, const std::int8_t* levels, std::intptr_t cookie) override;

private:
    LAudioDocument* Doc() const;
    bool OpenPlayer(const Ref<LAudioReader>& reader);
    void ShowCursor(LAudioDocument& doc);
    // Gives up an active rewind or fast forward without playing on: the volume comes back and
    // a later release finds nothing to do.
    void EndShuttle();

    Workspace& ws_;
    LWavePlayer player_;
    LWavePlayer preview_;
    PlayerView noView_;
    PlayerView* view_ = &noView_;
    bool hooksInstalled_ = false;
    Ref<LAudioDocument> playing_;  // the document whose cursor follows the player
    int shuttle_ = 0;
    int shuttleWas_ = 0;  // 0 stopped, 1 held, 2 playing
    bool armed_ = false;
    bool selecting_ = false;
    std::int32_t pivot_ = 0;
};

}  // namespace sv
