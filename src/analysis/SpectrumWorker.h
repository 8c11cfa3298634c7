#pragma once
// Computes spectra off the window thread, so that following the player never slows it:
// requests are coalesced (a request waiting when a newer one arrives is dropped), and each
// result goes to the deliver function on the worker's thread; the caller passes it on to
// its own thread. Destroying the worker waits for the spectrum being computed.
#include "analysis/FrequencySpectrum.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace sv {

class SpectrumWorker {
public:
    using Deliver = std::function<void(FrequencySpectrum&&, std::uint64_t ticket)>;
    explicit SpectrumWorker(Deliver deliver);
    ~SpectrumWorker();
    SpectrumWorker(const SpectrumWorker&) = delete;
    SpectrumWorker& operator=(const SpectrumWorker&) = delete;

    // Asks for the spectrum of sound at position (the sound is copied: its blocks stay while
    // the request waits). Returns the request's ticket, which the delivery carries.
    std::uint64_t Request(const LAudioData& sound, std::int32_t position);
    // Counts, for tests and benchmarks.
    std::uint64_t Computed() const;

private:
    struct Job {
        LAudioData sound;
        std::int32_t position = 0;
        std::uint64_t ticket = 0;
    };
    void Run();

    Deliver deliver_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t computed_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace sv
