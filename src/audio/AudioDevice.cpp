#include "audio/AudioDevice.h"

#include "audio/AlsaDevice.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace sv {

LAudioDevice::LAudioDevice() = default;

LAudioDevice::~LAudioDevice() {
    // The backend is gone by now; derived destructors close first. This only catches a thread
    // left running by mistake.
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            quit_ = true;
            abort_.store(true);
        }
        cond_.notify_all();
        thread_.join();
    }
}

bool LAudioDevice::Open(int device, const WaveFormat& format, Event* done, bool mapFormat) {
    Close();
    if (format.sampleRate <= 0 || format.channels == 0) return false;
    format_ = format;
    if (!OpenBackend(device, format, mapFormat)) return false;
    done_ = done;
    quit_ = false;
    resetPending_ = false;
    dropped_ = false;
    abort_.store(false);
    queue_.clear();
    inFlight_.clear();
    written_ = 0;
    framesPlayed_.store(0);
    open_ = true;
    thread_ = std::thread([this] { ThreadBody(); });
    return true;
}

DeviceResult LAudioDevice::Prepare(WaveHeader& header) {
    if (!open_) return DeviceResult::Failed;
    header.flags.fetch_or(kWavePrepared);
    return DeviceResult::Ok;
}

DeviceResult LAudioDevice::Write(WaveHeader& header) {
    if (!open_) return DeviceResult::Failed;
    if (!(header.flags.load() & kWavePrepared)) return DeviceResult::Failed;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        header.flags.fetch_and(~static_cast<std::uint32_t>(kWaveDone));
        header.flags.fetch_or(kWaveInQueue);
        queue_.push_back(&header);
    }
    cond_.notify_all();
    return DeviceResult::Ok;
}

void LAudioDevice::MarkDone(WaveHeader* header) {
    std::uint32_t flags = header->flags.load();
    flags = (flags & ~static_cast<std::uint32_t>(kWaveInQueue)) | kWaveDone;
    header->flags.store(flags);
}

void LAudioDevice::Reset() {
    if (!open_) return;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        abort_.store(true);
        resetPending_ = true;
        dropped_ = false;
        cond_.notify_all();
        cond_.wait(lock, [&] { return current_ == nullptr && dropped_; });
        for (WaveHeader* h : queue_) MarkDone(h);
        queue_.clear();
        for (auto& f : inFlight_) MarkDone(f.first);
        inFlight_.clear();
        resetPending_ = false;
        abort_.store(false);
    }
    cond_.notify_all();
    if (done_) done_->Set();
}

DeviceResult LAudioDevice::Unprepare(WaveHeader& header) {
    if (header.flags.load() & kWaveInQueue) return DeviceResult::StillPlaying;
    header.flags.fetch_and(~static_cast<std::uint32_t>(kWavePrepared));
    return DeviceResult::Ok;
}

void LAudioDevice::Close() {
    if (!open_) return;
    Reset();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        quit_ = true;
    }
    cond_.notify_all();
    thread_.join();
    CloseBackend();
    open_ = false;
    done_ = nullptr;
}

void LAudioDevice::ThreadBody() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        auto ready = [&] { return quit_ || (resetPending_ && !dropped_) || (!resetPending_ && !queue_.empty()); };
        if (inFlight_.empty()) {
            cond_.wait(lock, ready);
        } else {
            cond_.wait_for(lock, std::chrono::milliseconds(10), ready);
        }
        if (quit_) return;
        if (resetPending_) {
            if (!dropped_) {
                lock.unlock();
                Drop();
                lock.lock();
                dropped_ = true;
                cond_.notify_all();
            }
            continue;
        }
        if (!queue_.empty()) {
            WaveHeader* h = queue_.front();
            current_ = h;
            lock.unlock();
            const std::int32_t frames = h->bytes / (2 * format_.channels);
            const std::uint32_t loopFlags = kWaveBeginLoop | kWaveEndLoop;
            const bool looping = (h->flags.load() & loopFlags) == loopFlags;
            const std::int64_t repeats = looping ? std::max<std::int64_t>(1, h->loops) : 1;
            for (std::int64_t r = 0; r < repeats && !abort_.load(); ++r) {
                if (frames > 0) Play(h->data, frames, abort_);
                written_ += frames;
                framesPlayed_.fetch_add(frames);
            }
            lock.lock();
            current_ = nullptr;
            if (!queue_.empty() && queue_.front() == h) queue_.pop_front();
            if (abort_.load()) {
                MarkDone(h);
                cond_.notify_all();
                continue;
            }
            inFlight_.emplace_back(h, written_);
        }
        if (!inFlight_.empty()) {
            const bool idle = queue_.empty();
            const std::int64_t written = written_;
            lock.unlock();
            if (idle) Flush();
            const std::int64_t heard = Heard(written);
            lock.lock();
            bool any = false;
            while (!inFlight_.empty() && inFlight_.front().second <= heard) {
                MarkDone(inFlight_.front().first);
                inFlight_.pop_front();
                any = true;
            }
            if (any && done_) done_->Set();
        }
    }
}

bool LAudioDevice::GetVolume(int, std::uint32_t*) { return false; }
bool LAudioDevice::SetVolume(int, std::uint32_t) { return false; }

// Null device.

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

LNullDevice::~LNullDevice() { Close(); }

bool LNullDevice::OpenBackend(int device, const WaveFormat&, bool) {
    if (failOpen.load() || device < 0 || device > 1) return false;
    pacedFrames_ = 0;
    pacedStart_ = Now();
    return true;
}

bool LNullDevice::Play(const std::int16_t* frames, std::int32_t count, const std::atomic<bool>& abort) {
    if (keepSamples) {
        std::lock_guard<std::mutex> guard(samplesMutex_);
        samples_.insert(samples_.end(), frames, frames + static_cast<std::size_t>(count) * format_.channels);
    }
    if (!paced_) {
        // A looping snippet would otherwise hog a core until reset.
        std::this_thread::yield();
        return true;
    }
    // After a pause the device starts again from now rather than catching up.
    if (pacedStart_ + static_cast<double>(pacedFrames_) / format_.sampleRate < Now()) {
        pacedFrames_ = 0;
        pacedStart_ = Now();
    }
    pacedFrames_ += count;
    const double due = pacedStart_ + static_cast<double>(pacedFrames_) / format_.sampleRate;
    for (;;) {
        if (abort.load()) {
            // What was cut short was never heard: the clock restarts from now.
            pacedFrames_ = 0;
            pacedStart_ = Now();
            return false;
        }
        const double left = due - Now();
        if (left <= 0) return true;
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(left, 0.005)));
    }
}

std::vector<std::int16_t> LNullDevice::Samples() {
    std::lock_guard<std::mutex> guard(samplesMutex_);
    return samples_;
}

bool LNullDevice::GetVolume(int, std::uint32_t* volume) {
    *volume = volume_;
    return true;
}

bool LNullDevice::SetVolume(int, std::uint32_t volume) {
    volume_ = volume;
    return true;
}

// Device makers.

namespace {

std::unique_ptr<LAudioDevice> DefaultMaker() {
    const char* choice = std::getenv("SONVELA_AUDIO");
    if (choice && std::strcmp(choice, "null") == 0) return std::make_unique<LNullDevice>(true);
    return std::make_unique<LAlsaDevice>();
}

AudioDeviceMaker& Maker() {
    static AudioDeviceMaker maker = &DefaultMaker;
    return maker;
}

}  // namespace

std::unique_ptr<LAudioDevice> CreateAudioDevice() { return Maker()(); }

void SetAudioDeviceMaker(AudioDeviceMaker maker) { Maker() = maker ? maker : &DefaultMaker; }

}  // namespace sv
