#include "audio/PlayerControl.h"

#include "audio/LoopReader.h"
#include "audio/ShuttleReader.h"
#include "core/BlockReader.h"
#include "core/Host.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "effects/EffectPreview.h"
#include "effects/OutputLimiter.h"
#include "effects/TempoReader.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {

constexpr const char* kPlayFailed =
    "Veuillez vérifier que vous ayez sélectionné le lecteur audio adéquat dans le menu Options. Ouvrez le "
    "menu Options en cliquant sur Outils -> Options";
constexpr int kShuttleRampMs = 8000;
constexpr int kRewindVolumeDrop = 8;

// The limiter goes right on the document, under the range, tempo, loop and shuttle readers:
// those count positions in document frames, which a limiter on top would not pass on.
Ref<LAudioReader> DocumentReader(const LAudioDocument& doc) {
    Ref<LAudioReader> reader(LBlockReader::Create(doc.sound));
    if (reader->fullScale > kFullScale16) reader = Ref<LAudioReader>(new LOutputLimiter(reader, kFullScale16));
    return reader;
}

}  // namespace

PlayerControl::PlayerControl(Workspace& ws, std::unique_ptr<LAudioDevice> device,
                             std::unique_ptr<LAudioDevice> previewDevice)
    : ws_(ws), player_(ws.notifier(), std::move(device)), preview_(ws.notifier(), std::move(previewDevice)) {
    player_.SetListener(this, 0);
}

PlayerControl::~PlayerControl() {
    if (hooksInstalled_) {
        ws_.stopPlayback = nullptr;
        ws_.startPlayback = nullptr;
        ws_.isPlaying = nullptr;
        ws_.playPreview = nullptr;
    }
    player_.SetListener(nullptr, 0);
    player_.Close();
    preview_.Close();
}

void PlayerControl::InstallHooks() {
    hooksInstalled_ = true;
    ws_.stopPlayback = [this] {
        Stop();
        preview_.Close();
    };
    ws_.startPlayback = [this](std::int32_t fromFrame) {
        if (LAudioDocument* doc = Doc()) {
            Stop();
            doc->cursor = std::clamp(fromFrame, 0, doc->Length());
            Play();
        }
    };
    ws_.isPlaying = [this] { return player_.State() != 0; };
    ws_.playPreview = [this](Ref<LAudioReader> chain, std::int32_t frames) {
        preview_.Close();
        if (!chain) return;
        preview_.SetDeviceNumber(ws_.settings().ReadIntSetting("Settings", "SoundOutDevice", 0));
        const std::int64_t end = static_cast<std::int64_t>(chain->Position()) + std::max(0, frames);
        preview_.Open(Ref<LAudioReader>(new LRangeReader(chain, static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX)))));
    };
}

LAudioDocument* PlayerControl::Doc() const { return ws_.Active(); }

void PlayerControl::ShowCursor(LAudioDocument& doc) {
    ws_.DocumentChanged(doc);
    view_->ShowCursor(doc);
}

bool PlayerControl::OpenPlayer(const Ref<LAudioReader>& reader) {
    player_.SetDeviceNumber(ws_.settings().ReadIntSetting("Settings", "SoundOutDevice", 0));
    playing_ = Ref<LAudioDocument>(Doc());
    return player_.Open(reader);
}

void PlayerControl::Play() {
    LAudioDocument* doc = Doc();
    if (!doc) return;
    EndShuttle();
    if (player_.IsHeld()) {
        player_.Resume();
        return;
    }
    player_.Close();
    preview_.Close();
    const std::int32_t rate = doc->sound.sampleRate;
    if (static_cast<std::int64_t>(doc->cursor) > static_cast<std::int64_t>(doc->Length()) - rate) doc->cursor = 0;
    Ref<LAudioReader> reader = DocumentReader(*doc);
    if (doc->HasSelection()) {
        doc->cursor = doc->selectionStart;
        reader = Ref<LAudioReader>(new LRangeReader(reader, doc->selectionEnd));
    }
    if (doc->cursor != 0) reader->Seek(doc->cursor);
    const int speed = ws_.settings().ReadIntSetting("Settings", "PlaySpeed", 1);
    if (speed == 0 || speed == 2) reader = Ref<LAudioReader>(LTempoReader::Create(reader, (speed + 1) * 0.5).get());
    if (LoopOn()) {
        std::int32_t startMs, endMs;
        if (!(doc->selectionStart == 0 && doc->selectionEnd == 0) && doc->selectionStart < doc->selectionEnd) {
            startMs = FramesToMs(doc->selectionStart, reader->sampleRate);
            endMs = FramesToMs(doc->selectionEnd, reader->sampleRate);
        } else {
            startMs = 0;
            endMs = FramesToMs(reader->Length(), reader->sampleRate);
        }
        reader = Ref<LAudioReader>(new LLoopReader(reader, startMs, endMs));
    }
    if (!OpenPlayer(reader)) {
        playing_ = nullptr;
        ws_.host().MessageBox(kPlayFailed, "Sonvela", MsgIcon::Information, MsgButtons::Ok);
    }
}

void PlayerControl::PlayAtSpeed(int speed) {
    ws_.settings().WriteIntUserSetting("Settings", "PlaySpeed", speed);
    Play();
}

bool PlayerControl::LoopOn() const { return ws_.settings().ReadBoolSetting("Settings", "PlayRepeat", false); }

void PlayerControl::ToggleLoop() { ws_.settings().WriteIntUserSetting("Settings", "PlayRepeat", LoopOn() ? 0 : 1); }

void PlayerControl::Stop() {
    EndShuttle();
    player_.Close();
}

void PlayerControl::Pause() {
    if (player_.State() == 0) Play();
    player_.Hold();
}

void PlayerControl::GoToStart() {
    if (player_.IsOpen()) {
        player_.Seek(0);
        return;
    }
    if (LAudioDocument* doc = Doc()) {
        doc->cursor = 0;
        ShowCursor(*doc);
    }
}

void PlayerControl::GoToEnd() {
    if (player_.IsOpen()) {
        player_.SeekFromEnd(player_.IsHeld() ? 0 : player_.Reader().sampleRate);
        return;
    }
    if (LAudioDocument* doc = Doc()) {
        doc->cursor = doc->Length();
        ShowCursor(*doc);
    }
}

void PlayerControl::PressShuttle(int direction) {
    LAudioDocument* doc = Doc();
    if (!doc || direction == 0 || shuttle_ == direction) return;
    if (shuttle_ != 0) ReleaseShuttle();
    shuttleWas_ = player_.State() == 0 ? 0 : player_.IsHeld() ? 1 : 2;
    player_.Close();
    const std::int32_t rate = doc->sound.sampleRate;
    const std::int32_t step = shuttleWas_ == 1 ? rate / 10 : rate / 5;
    const std::int64_t moved = static_cast<std::int64_t>(doc->cursor) + (direction < 0 ? -step : step);
    doc->cursor = static_cast<std::int32_t>(std::clamp<std::int64_t>(moved, 0, doc->Length()));
    Ref<LAudioReader> reader = DocumentReader(*doc);
    reader->Seek(doc->cursor);
    const bool held = shuttleWas_ == 1;
    const double start = held ? 0.1 : 0.5;
    const double target = held ? 3.0 : 7.0;
    reader = Ref<LAudioReader>(new LShuttleReader(reader, direction * start, direction * target, kShuttleRampMs));
    if (ws_.settings().ReadBoolSetting("Settings", "ReduceVolWhenRewind", false)) ChangeVolumeDb(kRewindVolumeDrop);
    OpenPlayer(reader);
    shuttle_ = direction;
    view_->ShowShuttlePressed(direction, true);
}

void PlayerControl::ShuttleCommand(int direction) {
    if (shuttle_ == direction)
        ReleaseShuttle();
    else
        PressShuttle(direction);
}

void PlayerControl::EndShuttle() {
    if (shuttle_ == 0) return;
    const int direction = shuttle_;
    if (ws_.settings().ReadBoolSetting("Settings", "ReduceVolWhenRewind", false)) ChangeVolumeDb(-kRewindVolumeDrop);
    shuttle_ = 0;
    view_->ShowShuttlePressed(direction, false);
}

void PlayerControl::ReleaseShuttle() {
    if (shuttle_ == 0) return;
    const int direction = shuttle_;
    if (ws_.settings().ReadBoolSetting("Settings", "ReduceVolWhenRewind", false)) ChangeVolumeDb(-kRewindVolumeDrop);
    player_.Close();
    // Cleared before playing on, so the player's reports see no shuttle any more.
    shuttle_ = 0;
    if (shuttleWas_ == 1) {
        Pause();
    } else if (shuttleWas_ == 2) {
        Play();
    }
    view_->ShowShuttlePressed(direction, false);
}

bool PlayerControl::VolumeDb(int* db) {
    std::uint32_t word = 0;
    if (!player_.Device().GetVolume(ws_.settings().ReadIntSetting("Settings", "SoundOutDevice", 0), &word)) return false;
    *db = std::clamp(static_cast<int>(word & 0xFFFF) / 1424 - 36, -127, 127);
    return true;
}

bool PlayerControl::SetVolumeDb(int db) {
    const std::uint32_t word = db <= -36 ? 0u : static_cast<std::uint32_t>(std::min((db + 36) * 1424, 65535));
    const bool ok = player_.Device().SetVolume(ws_.settings().ReadIntSetting("Settings", "SoundOutDevice", 0), word | (word << 16));
    if (ok) view_->ShowVolume(db);
    return ok;
}

bool PlayerControl::ChangeVolumeDb(int d) {
    int db = 0;
    if (!VolumeDb(&db)) return false;
    return SetVolumeDb(std::clamp(db - d, -127, 127));
}

void PlayerControl::KeyDown(MoveKey key, bool shift) {
    LAudioDocument* doc = Doc();
    switch (key) {
    case MoveKey::Shift:
        if (doc) {
            armed_ = true;
            pivot_ = doc->cursor;
        }
        return;
    case MoveKey::Home:
    case MoveKey::End:
        if (!shift) return;
        selecting_ = true;
        if (key == MoveKey::Home) GoToStart(); else GoToEnd();
        return;
    case MoveKey::Left:
    case MoveKey::F7:
    case MoveKey::Right:
    case MoveKey::F8:
        if (!shift || !armed_) return;
        selecting_ = true;
        PressShuttle(key == MoveKey::Left || key == MoveKey::F7 ? -1 : 1);
        return;
    }
}

void PlayerControl::KeyUp(MoveKey key) {
    switch (key) {
    case MoveKey::Shift:
        armed_ = false;
        selecting_ = false;
        return;
    case MoveKey::Home:
    case MoveKey::End:
        selecting_ = false;
        return;
    case MoveKey::Left:
    case MoveKey::F7:
        if (shuttle_ < 0) ReleaseShuttle();
        selecting_ = false;
        return;
    case MoveKey::Right:
    case MoveKey::F8:
        if (shuttle_ > 0) ReleaseShuttle();
        selecting_ = false;
        return;
    }
}

void PlayerControl::WaveEdge(int code, std::int32_t selectionStart, std::int32_t selectionEnd) {
    LAudioDocument* doc = Doc();
    if (!doc) return;
    switch (code) {
    case 4:
        doc->SetSelection(selectionStart, selectionEnd, selectionEnd);
        doc->cursor = doc->selectionEnd;
        pivot_ = doc->selectionStart;
        selecting_ = true;
        PressShuttle(1);
        return;
    case 6:
        doc->SetSelection(selectionStart, selectionEnd, selectionStart);
        doc->cursor = doc->selectionStart;
        pivot_ = doc->selectionEnd;
        selecting_ = true;
        PressShuttle(-1);
        return;
    case 5:
    case 7:
        if ((code == 5 && shuttle_ > 0) || (code == 7 && shuttle_ < 0)) ReleaseShuttle();
        selecting_ = false;
        return;
    default:
        return;
    }
}

void PlayerControl::Playing(std::intptr_t) { view_->ShowPlaying(true); }

void PlayerControl::Closed(std::intptr_t) {
    view_->ShowPlaying(false);
    const std::int8_t silent = -127;
    view_->ShowLevels(1, &silent);
    if (playing_) view_->ShowCursor(*playing_);
    playing_ = nullptr;
}

void PlayerControl::Held(std::intptr_t) { view_->RefreshCommandBar(); }

void PlayerControl::Position(std::int32_t ms, std::intptr_t) {
    LAudioDocument* doc = playing_.get();
    if (!doc) return;
    // The player's own frame when it is the one reported, so no millisecond rounding creeps in.
    const std::int32_t frame = player_.PositionFrames();
    const bool exact = player_.State() != 0 && FramesToMs(frame, player_.Reader().sampleRate) == ms;
    doc->cursor = std::max(0, exact ? frame : MsToFrames(ms, doc->sound.sampleRate));
    if (selecting_) {
        doc->SetSelection(pivot_, doc->cursor, doc->cursor);
    } else if (!doc->HasSelection()) {
        doc->SetSelection(doc->cursor, doc->cursor, doc->cursor);
    }
    ShowCursor(*doc);
}

void PlayerControl::Levels(int channels, const std::int8_t* levels, std::intptr_t) {
    if (player_.State() != 0) view_->ShowLevels(channels, levels);
}

}  // namespace sv
