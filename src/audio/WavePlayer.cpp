#include "audio/WavePlayer.h"

#include "audio/LevelMeter.h"
#include "core/Notifier.h"
#include "core/TimeText.h"
#include "effects/OutputLimiter.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace sv {

namespace {

// A stopped player speaks of times in this reader's rate, so it has the usual one.
Ref<LAudioReader> NothingToPlay() {
    Ref<LAudioReader> reader(new LErrorReader(kReaderNothingToPlay));
    reader->sampleRate = 44100;
    reader->fullScale = kFullScale16;
    return reader;
}

// (s + 8) >> 4 turns an internal sample into 16 bits; the clamp only matters for a reader
// that breaks its full-scale promise, which would otherwise wrap into loud clicks.
inline std::int16_t To16(std::int32_t s) {
    const std::int32_t v = static_cast<std::int32_t>((static_cast<std::int64_t>(s) + 8) >> 4);
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

}  // namespace

std::int32_t PlayerFramesPerBuffer(std::int32_t rate) { return std::clamp(rate / 10, 20, 8192); }

LWavePlayer::LWavePlayer(Notifier& notifier, std::unique_ptr<LAudioDevice> device)
    : notifier_(notifier), alive_(std::make_shared<LWavePlayer*>(this)), reader_(NothingToPlay()),
      device_(std::move(device)) {
    if (!device_) device_ = std::make_unique<LNullDevice>(true);
}

LWavePlayer::~LWavePlayer() {
    listener_ = &defaultListener_;
    Close();
    // The buffers, the reader and the device are members: whatever it costs, the filler (which
    // stops its watcher) must be gone before they are.
    LWorkerThread::StopAndJoin();
    Reclaim();
    alive_.reset();
}

void LWavePlayer::SetListener(LPlayerListener* listener, std::intptr_t cookie) {
    listener_ = listener ? listener : &defaultListener_;
    cookie_ = listener ? cookie : 0;
}

std::int32_t LWavePlayer::PositionMs() const { return FramesToMs(position_.load(), reader_->sampleRate); }

void LWavePlayer::ResetFlags() {
    finished_.store(false);
    positionPending_.store(false);
}

bool LWavePlayer::Open(Ref<LAudioReader> reader) {
    Close();
    if (!Reclaim()) return false;
    if (!reader || reader->errorCode != kReaderOk) return false;
    if (reader->fullScale > kFullScale16) reader = Ref<LAudioReader>(new LOutputLimiter(reader, kFullScale16));
    reader_ = reader;
    channels_ = reader_->channels == 0 ? 1 : reader_->channels;
    WaveFormat format;
    format.sampleRate = reader_->sampleRate;
    format.channels = static_cast<std::uint8_t>(channels_);
    // The second attempt lets the device layer convert a format the device does not take.
    const int device = std::max(0, deviceNumber_);
    if (!device_->Open(device, format, &deviceDone_, false) && !device_->Open(device, format, &deviceDone_, true)) {
        reader_ = NothingToPlay();
        return false;
    }
    framesPerBuffer_ = PlayerFramesPerBuffer(reader_->sampleRate);
    const std::size_t samplesPerBuffer = static_cast<std::size_t>(framesPerBuffer_) * channels_;
    work_.assign(samplesPerBuffer, 0);
    deviceMemory_.assign(samplesPerBuffer * kBuffers, 0);
    for (int i = 0; i < kBuffers; ++i) {
        Slot& slot = slots_[i];
        slot.header.data = deviceMemory_.data() + samplesPerBuffer * i;
        slot.bytes = static_cast<std::int32_t>(2 * samplesPerBuffer);
        slot.header.bytes = slot.bytes;
        slot.header.flags.store(0);
        slot.header.loops = 0;
        slot.channels = static_cast<std::uint8_t>(channels_);
        slot.free.store(true);
        device_->Prepare(slot.header);
    }
    state_ = kStateOpen;
    ResetFlags();
    position_.store(reader_->Position());
    LWorkerThread::Start(ThreadPriority::Normal);
    listener_->Playing(cookie_);
    listener_->Position(PositionMs(), cookie_);
    return true;
}

void LWavePlayer::Close() {
    if (state_ == 0) {
        Reclaim();
        return;
    }
    if (!StopFiller()) return;
    ReleaseDevice();
    EndClosed();
}

bool LWavePlayer::StopFiller() {
    if (LWorkerThread::Stop(stopTimeoutMs_)) return true;
    fillerAbandoned_ = true;
    // Silence at once; the buffers, the work memory and the device stay as they are for the
    // filler, which keeps its own reference to the reader, until it ends.
    device_->Reset();
    EndClosed();
    return false;
}

bool LWavePlayer::Reclaim() {
    if (!fillerAbandoned_) return true;
    if (!LWorkerThread::Stop(0)) return false;
    fillerAbandoned_ = false;
    ReleaseDevice();
    return true;
}

void LWavePlayer::EndClosed() {
    reader_ = NothingToPlay();
    state_ = 0;
    ResetFlags();
    position_.store(0);
    listener_->Closed(cookie_);
}

void LWavePlayer::ReleaseDevice() {
    device_->Reset();
    // The device hands buffers back at reset; one it still holds is waited for a little.
    int waited = 0;
    for (Slot& slot : slots_) {
        while (device_->Unprepare(slot.header) == DeviceResult::StillPlaying && waited < 1000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            waited += 50;
        }
    }
    device_->Close();
    for (Slot& slot : slots_) slot.header.data = nullptr;
    std::vector<std::int16_t>().swap(deviceMemory_);
    std::vector<std::int32_t>().swap(work_);
}

void LWavePlayer::FillSlot(LAudioReader& reader, Slot& slot, std::int32_t frames) {
    reader.Read(work_.data(), frames);
    const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
    for (std::size_t k = 0; k < samples; ++k) slot.header.data[k] = To16(work_[k]);
    slot.channels = static_cast<std::uint8_t>(channels_);
    for (int c = 0; c < channels_ && c < 256; ++c) slot.levels[c] = ChannelLevel(work_.data(), frames, channels_, c);
}

void LWavePlayer::Run() {
    // The filler's own reference: a player that gave up waiting for it has moved on.
    const Ref<LAudioReader> reader = reader_;
    for (Slot& slot : slots_) {
        slot.header.flags.fetch_and(kWavePrepared);
        slot.free.store(true);
    }
    watcher_.Start(ThreadPriority::Normal);
    fillerRaised_.store(false);
    completions_.store(0);
    int i = 0;
    bool watcherRaised = false;
    bool ended = false;
    while (!StopRequested()) {
        bufferFree_.Reset();
        Slot& slot = slots_[i];
        if (!slot.free.load()) {
            // The ring is full: the device has all it needs for seconds.
            completions_.store(0);
            if (!watcherRaised) {
                watcher_.SetPriority(ThreadPriority::TimeCritical);
                watcherRaised = true;
            }
            if (fillerRaised_.load()) {
                SetPriority(ThreadPriority::BelowNormal);
                fillerRaised_.store(false);
            }
            Wait(bufferFree_, 1000);
            continue;
        }
        std::int64_t n = static_cast<std::int64_t>(reader->Length()) - reader->Position();
        if (n <= 0) {
            ended = true;
            break;
        }
        n = std::min<std::int64_t>(n, framesPerBuffer_);
        FillSlot(*reader, slot, static_cast<std::int32_t>(n));
        slot.header.bytes = static_cast<std::int32_t>(2 * channels_ * n);
        // The reader says where this buffer ends: loops wrap, tempo and shuttle readers count in
        // the frames of the sound rather than of what they deliver.
        slot.header.user = reader->Position();
        slot.header.flags.fetch_and(kWavePrepared);
        slot.free.store(false);
        device_->Write(slot.header);
        i = (i + 1) % kBuffers;
    }
    if (ended && !StopRequested()) {
        endPosition_.store(reader->Position());
        const Slot& last = slots_[(i + kBuffers - 1) % kBuffers];
        while (!StopRequested()) {
            bufferFree_.Reset();
            if (last.free.load()) break;
            Wait(bufferFree_, 1000);
        }
        if (!StopRequested()) {
            finished_.store(true);
            PostNotify();
        }
    }
    watcher_.Stop(5000);
    device_->Reset();
}

void LWavePlayer::WatchLoop(Watcher& self) {
    int j = 0;
    while (!self.StopRequested()) {
        deviceDone_.Reset();
        Slot& slot = slots_[j];
        if (!slot.free.load() && (slot.header.flags.load() & kWaveDone)) {
            position_.store(slot.header.user);
            {
                std::lock_guard<std::mutex> guard(levelsMutex_);
                levelChannels_ = slot.channels;
                levels_ = slot.levels;
            }
            slot.header.flags.fetch_and(kWavePrepared);
            slot.free.store(true);
            bufferFree_.Set();
            const int before = completions_.fetch_add(1);
            if (before > 32 && !fillerRaised_.load()) {
                // The ring keeps draining: the filler must keep up before it runs dry.
                SetPriority(ThreadPriority::TimeCritical);
                fillerRaised_.store(true);
            }
            positionPending_.store(true);
            PostNotify();
            j = (j + 1) % kBuffers;
        } else {
            self.Wait(deviceDone_, 1000);
        }
    }
}

void LWavePlayer::PostNotify() {
    // One post waiting is enough: Notify reads the flags as they stand when it runs.
    if (posted_.exchange(true)) return;
    std::weak_ptr<LWavePlayer*> alive = alive_;
    notifier_.Post([alive] {
        if (auto player = alive.lock()) (*player)->Notify();
    });
}

void LWavePlayer::Notify() {
    posted_.store(false);
    // Levels of buffers heard since the last report go out even when the end came first, so a
    // short sound on a fast device still shows its levels.
    if (positionPending_.exchange(false)) {
        if (!finished_.load()) listener_->Position(PositionMs(), cookie_);
        int count;
        std::array<std::int8_t, 256> levels;
        {
            std::lock_guard<std::mutex> guard(levelsMutex_);
            count = levelChannels_;
            levels = levels_;
        }
        listener_->Levels(count, levels.data(), cookie_);
    }
    if (finished_.load()) {
        listener_->Position(FramesToMs(endPosition_.load(), reader_->sampleRate), cookie_);
        if (finished_.load()) Close();
    }
}

void LWavePlayer::SubmitSnippet() {
    Slot& slot = slots_[0];
    const std::int32_t q = (framesPerBuffer_ + 3) / 4;
    FillSlot(*reader_, slot, q);
    // The snippet four times over, the last copy cut so the buffer is exactly full.
    const std::size_t piece = static_cast<std::size_t>(q) * channels_;
    const std::size_t total = static_cast<std::size_t>(framesPerBuffer_) * channels_;
    for (std::size_t at = piece; at < total; at += piece) {
        std::memcpy(slot.header.data + at, slot.header.data, std::min(piece, total - at) * sizeof(std::int16_t));
    }
    slot.header.bytes = static_cast<std::int32_t>(2 * total);
    slot.header.user = reader_->Position();
    slot.header.loops = INT_MAX;
    slot.header.flags.store(kWavePrepared | kWaveBeginLoop | kWaveEndLoop);
    slot.free.store(false);
    device_->Write(slot.header);
    listener_->Levels(channels_, slot.levels.data(), cookie_);
}

void LWavePlayer::Hold() {
    if (!IsOpen() || IsHeld()) return;
    if (!StopFiller()) return;
    reader_->Seek(position_.load());
    position_.store(reader_->Position());
    SubmitSnippet();
    state_ = kStateOpen | kStateHeld;
    ResetFlags();
    listener_->Held(cookie_);
    listener_->Position(PositionMs(), cookie_);
}

void LWavePlayer::Resume() {
    if (!IsOpen()) return;
    if (IsHeld()) {
        device_->Reset();
        slots_[0].header.flags.store(kWavePrepared);
        slots_[0].free.store(true);
        // The snippet read ahead of the held position; play on from where it was heard.
        reader_->Seek(position_.load());
        state_ &= ~kStateHeld;
        LWorkerThread::Start(ThreadPriority::Normal);
    }
    listener_->Playing(cookie_);
}

void LWavePlayer::Seek(std::int32_t frame) {
    if (state_ == 0 || !StopFiller()) return;
    SeekStopped(frame);
}

void LWavePlayer::SeekFromEnd(std::int32_t framesBefore) {
    if (state_ == 0 || !StopFiller()) return;
    SeekStopped(static_cast<std::int32_t>(std::max<std::int64_t>(0, static_cast<std::int64_t>(reader_->Length()) - framesBefore)));
}

void LWavePlayer::SeekStopped(std::int32_t frame) {
    device_->Reset();
    reader_->Seek(frame);
    position_.store(reader_->Position());
    ResetFlags();
    if (IsHeld()) {
        SubmitSnippet();
    } else {
        LWorkerThread::Start(ThreadPriority::Normal);
    }
    listener_->Position(PositionMs(), cookie_);
}

}  // namespace sv
