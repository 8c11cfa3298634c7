#include "audio/WaveRecorder.h"

#include "core/Notifier.h"
#include "core/TimeText.h"

#include <algorithm>

namespace sv {

namespace {

constexpr int kStopWaitMs = 5000;
constexpr int kStartWaitMs = 1500;
constexpr int kRestartWaitMs = 700;
constexpr std::int32_t kTailMs = 50;
constexpr std::int32_t kVoiceCutMs = 450;

Ref<LAudioWriter> Stopped() { return Ref<LAudioWriter>(new LErrorWriter("l'enregistreur est arrêté")); }

std::int32_t WrittenMs(const LAudioWriter& w) { return FramesToMs(w.framesWritten, w.sampleRate); }

}  // namespace

std::int32_t RecorderFramesPerBuffer(std::int32_t rate) { return std::clamp(rate / 10, 32, 8192); }

std::int32_t RecorderMsToFrames(std::int32_t ms, std::int32_t rate) { return MsToFrames(ms, rate); }

LWaveRecorder::LWaveRecorder(Notifier& notifier, std::unique_ptr<LAudioInput> input)
    : notifier_(notifier), alive_(std::make_shared<LWaveRecorder*>(this)), input_(std::move(input)),
      writer_(Stopped()) {
    if (!input_) input_ = CreateAudioInput();
}

LWaveRecorder::~LWaveRecorder() {
    listener_ = &defaultListener_;
    Stop();
    // Whatever happened before, the thread must be gone before its buffers and writer are.
    while (!StopThread(kStopWaitMs)) {
    }
    alive_.reset();
}

void LWaveRecorder::SetListener(LRecorderListener* listener, std::intptr_t cookie) {
    listener_ = listener ? listener : &defaultListener_;
    cookie_ = listener ? cookie : 0;
}

bool LWaveRecorder::StopThread(int timeoutMs) {
    input_->Interrupt();
    return LWorkerThread::Stop(timeoutMs);
}

void LWaveRecorder::ReleaseWriter() { writer_ = Stopped(); }

bool LWaveRecorder::LaunchThread(int waitMs) {
    // A thread left over from a stop that timed out must be gone before its fields are reused.
    if (!StopThread(kStopWaitMs)) {
        errorText_ = "le périphérique d'enregistrement ne répond plus";
        stuck_ = true;
        return false;
    }
    stuck_ = false;
    limitReached_.store(false);
    updatePending_.store(false);
    stateChanged_.store(false);
    failed_.store(false);
    input_->ClearInterrupt();
    threadWriter_ = writer_;
    started_.Reset();
    go_.Set();
    LWorkerThread::Start(ThreadPriority::Normal);
    started_.Wait(waitMs);
    return true;
}

bool LWaveRecorder::Start(Ref<LAudioWriter> writer, std::int32_t limitMs, int soundThreshold, std::int32_t silenceMs) {
    if (active_) Stop();
    errorText_.clear();
    if (!writer || writer->error) {
        errorText_ = writer ? writer->errorText : "aucun son où enregistrer";
        return false;
    }
    writer_ = writer;
    limitMs_.store(limitMs);
    soundThreshold_.store(std::clamp(soundThreshold, -127, 127));
    silenceThreshold_.store(std::clamp(soundThreshold - 4, -127, 127));
    silenceMs_.store(silenceMs);
    lastSound_.store(WrittenMs(*writer_));
    state_.store(kWaiting);
    if (!LaunchThread(kStartWaitMs) || IsStopped()) {
        // The thread has let go of the writer by the time it reports stopped.
        if (!stuck_) StopThread(kStopWaitMs);
        if (errorText_.empty()) errorText_ = input_->ErrorText();
        state_.store(kStopped);
        ReleaseWriter();
        return false;
    }
    active_ = true;
    listener_->Waiting(cookie_);
    listener_->Position(lastSound_.load(), cookie_);
    return true;
}

void LWaveRecorder::Restart() {
    if (!active_) return;
    if (!StopThread(kStopWaitMs)) {
        // The writer stays with the stuck thread; nothing of it may be touched.
        stuck_ = true;
        return;
    }
    writer_->Truncate(0);
    errorText_.clear();
    lastSound_.store(0);
    state_.store(kWaiting);
    if (!LaunchThread(kRestartWaitMs) || IsStopped()) {
        if (!stuck_) StopThread(kStopWaitMs);
        state_.store(kStopped);
        active_ = false;
        ReleaseWriter();
        if (errorText_.empty()) errorText_ = input_->ErrorText();
        listener_->Stopped(cookie_);
        listener_->Failed(errorText_, cookie_);
        return;
    }
    listener_->Waiting(cookie_);
    listener_->Position(lastSound_.load(), cookie_);
}

void LWaveRecorder::Stop() {
    // Not the state: a device that failed to open after start gave up waiting sets that itself.
    if (!active_) return;
    if (StopThread(kStopWaitMs)) {
        const std::int32_t keep = lastSound_.load() + kTailMs;
        if (WrittenMs(*writer_) > keep) writer_->Truncate(RecorderMsToFrames(keep, writer_->sampleRate));
        stuck_ = false;
    } else {
        // The thread still holds its own reference; it lets go when it ends.
        stuck_ = true;
        errorText_ = "le périphérique d'enregistrement ne répond plus";
    }
    ReleaseWriter();
    lastSound_.store(0);
    state_.store(kStopped);
    active_ = false;
    listener_->Stopped(cookie_);
}

void LWaveRecorder::Post() {
    if (posted_.exchange(true)) return;
    std::weak_ptr<LWaveRecorder*> alive = alive_;
    notifier_.Post([alive] {
        if (auto recorder = alive.lock()) (*recorder)->Notify();
    });
}

void LWaveRecorder::Notify() {
    posted_.store(false);
    if (failed_.exchange(false)) {
        std::string why;
        {
            std::lock_guard<std::mutex> guard(levelsMutex_);
            why = threadError_;
        }
        if (!active_) return;
        // What was recorded is put in place first; the reason follows.
        Stop();
        errorText_ = why;
        listener_->Failed(why, cookie_);
        return;
    }
    if (limitReached_.load()) {
        Stop();
        return;
    }
    if (!active_) return;
    if (updatePending_.exchange(false)) {
        listener_->Position(lastSound_.load(), cookie_);
        std::array<std::int8_t, DcRemover::kMaxChannels> levels;
        int channels;
        {
            std::lock_guard<std::mutex> guard(levelsMutex_);
            levels = levels_;
            channels = levelChannels_;
        }
        listener_->Levels(channels, levels.data(), cookie_);
    }
    if (stateChanged_.exchange(false)) {
        if (state_.load() == kWaiting)
            listener_->Waiting(cookie_);
        else
            listener_->Writing(cookie_);
    }
}

void LWaveRecorder::Convert(std::int32_t frames) {
    const std::size_t n = static_cast<std::size_t>(frames) * channels_;
    for (std::size_t i = 0; i < n; ++i) work_[i] = static_cast<std::int32_t>(deviceBuffer_[i]) * 16;
    dc_.Process(work_.data(), frames);
}

void LWaveRecorder::Measure(const std::int32_t* samples, std::int32_t frames,
                            std::array<std::int8_t, DcRemover::kMaxChannels>& out) {
    out.fill(-127);
    for (int c = 0; c < channels_; ++c) out[static_cast<std::size_t>(c)] = PeakLevel(samples, frames, channels_, c);
}

void LWaveRecorder::HandleBuffer(LAudioWriter& writer, std::int32_t frames) {
    std::array<std::int8_t, DcRemover::kMaxChannels> levels;
    Measure(work_.data(), frames, levels);
    const int m = *std::max_element(levels.begin(), levels.begin() + channels_);
    const std::size_t samples = static_cast<std::size_t>(frames) * channels_;
    if (state_.load() == kWaiting) {
        if (m < soundThreshold_.load()) {
            std::copy_n(work_.begin(), samples, previous_.begin());
            previousPresent_ = true;
        } else {
            const std::int32_t half = frames / 2;
            std::array<std::int8_t, DcRemover::kMaxChannels> early;
            Measure(work_.data(), half, early);
            const int m2 = *std::max_element(early.begin(), early.begin() + channels_);
            if (m2 >= soundThreshold_.load() && previousPresent_) {
                // Sound from the very start of the buffer: keep the half buffer that led up to it.
                writer.Write(previous_.data() + static_cast<std::size_t>(half) * channels_, frames - half);
            }
            writer.Write(work_.data(), frames);
            // The buffer that starts the writing is sound too: a stop right after it keeps it.
            lastSound_.store(WrittenMs(writer));
            state_.store(kWriting);
            stateChanged_.store(true);
        }
    } else {
        writer.Write(work_.data(), frames);
        const std::int32_t t = WrittenMs(writer);
        if (m >= silenceThreshold_.load()) {
            lastSound_.store(t);
        } else if (t - lastSound_.load() > silenceMs_.load()) {
            writer.Truncate(RecorderMsToFrames(lastSound_.load() + kVoiceCutMs, writer.sampleRate));
            state_.store(kWaiting);
            std::copy_n(work_.begin(), samples, previous_.begin());
            previousPresent_ = true;
            stateChanged_.store(true);
        }
        if (limitMs_.load() > 0 && t > limitMs_.load()) limitReached_.store(true);
    }
    {
        std::lock_guard<std::mutex> guard(levelsMutex_);
        levels_ = levels;
        levelChannels_ = channels_;
    }
    updatePending_.store(true);
    Post();
}

void LWaveRecorder::Run() {
    Ref<LAudioWriter> writer = std::move(threadWriter_);
    channels_ = std::clamp<int>(writer->channels, 1, DcRemover::kMaxChannels);
    rate_ = writer->sampleRate;
    framesPerBuffer_ = RecorderFramesPerBuffer(rate_);
    WaveFormat format;
    format.sampleRate = rate_;
    format.channels = static_cast<std::uint8_t>(channels_);
    // The second attempt lets the device layer convert a format the device does not take.
    const int device = std::max(0, device_.load());
    if (!input_->Open(device, format, framesPerBuffer_, kBuffers, false) &&
        !input_->Open(device, format, framesPerBuffer_, kBuffers, true)) {
        writer = nullptr;
        {
            std::lock_guard<std::mutex> guard(levelsMutex_);
            threadError_ = input_->ErrorText();
        }
        // Start sees this at once, unless the device took longer to refuse than it waits.
        failed_.store(true);
        state_.store(kStopped);
        started_.Set();
        Post();
        return;
    }
    const std::size_t samplesPerBuffer = static_cast<std::size_t>(framesPerBuffer_) * channels_;
    deviceBuffer_.assign(samplesPerBuffer, 0);
    work_.assign(samplesPerBuffer, 0);
    previous_.assign(samplesPerBuffer, 0);
    previousPresent_ = false;
    dc_.Reset(rate_, channels_);
    started_.Set();
    Wait(go_, 24 * 3600 * 1000);
    SetPriority(ThreadPriority::TimeCritical);
    std::string failure;
    if (StopRequested()) {
    } else if (!input_->Start()) {
        failure = input_->ErrorText();
    } else {
        for (;;) {
            const InputResult r = input_->Read(deviceBuffer_.data(), framesPerBuffer_, bufferTimeoutMs_.load());
            if (r == InputResult::Stopped) break;
            if (r == InputResult::TimedOut) {
                failure = "le périphérique d'enregistrement n'envoie plus de son";
                break;
            }
            if (r == InputResult::Failed) {
                failure = input_->ErrorText().empty() ? "le périphérique d'enregistrement ne répond plus"
                                                      : input_->ErrorText();
                break;
            }
            Convert(framesPerBuffer_);
            HandleBuffer(*writer, framesPerBuffer_);
            if (writer->error) {
                // A full disk: recording on would only lose more.
                failure = "le son enregistré ne peut pas être écrit (" + writer->errorText + ")";
                break;
            }
        }
    }
    input_->Halt();
    if (failure.empty() && state_.load() == kWriting) {
        // What the device captured before it stopped belongs to the recording too, up to its ring.
        for (int i = 0; i < kBuffers; ++i) {
            const std::int32_t n = input_->Remaining(deviceBuffer_.data(), framesPerBuffer_);
            if (n <= 0) break;
            Convert(n);
            std::array<std::int8_t, DcRemover::kMaxChannels> levels;
            Measure(work_.data(), n, levels);
            writer->Write(work_.data(), n);
            // Without trimming every frame counts as sound, so stop keeps these too.
            if (*std::max_element(levels.begin(), levels.begin() + channels_) >= silenceThreshold_.load())
                lastSound_.store(WrittenMs(*writer));
            if (n < framesPerBuffer_) break;
        }
    }
    input_->Close();
    std::vector<std::int16_t>().swap(deviceBuffer_);
    std::vector<std::int32_t>().swap(work_);
    std::vector<std::int32_t>().swap(previous_);
    writer = nullptr;
    if (!failure.empty()) {
        {
            std::lock_guard<std::mutex> guard(levelsMutex_);
            threadError_ = failure;
        }
        failed_.store(true);
        Post();
    }
}

}  // namespace sv
