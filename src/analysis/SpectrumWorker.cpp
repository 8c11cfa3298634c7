#include "analysis/SpectrumWorker.h"

namespace sv {

SpectrumWorker::SpectrumWorker(Deliver deliver) : deliver_(std::move(deliver)), thread_([this] { Run(); }) {}

SpectrumWorker::~SpectrumWorker() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
        pending_.reset();
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t SpectrumWorker::Request(const LAudioData& sound, std::int32_t position) {
    Job job{sound, position, 0};
    std::uint64_t ticket;
    {
        std::lock_guard<std::mutex> hold(lock_);
        ticket = job.ticket = ++nextTicket_;
        pending_ = std::move(job);  // a request still waiting is dropped here
    }
    wake_.notify_one();
    return ticket;
}

std::uint64_t SpectrumWorker::Computed() const {
    std::lock_guard<std::mutex> hold(lock_);
    return computed_;
}

void SpectrumWorker::Run() {
    SpectrumAnalyzer analyzer;
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) return;
            job = std::move(*pending_);
            pending_.reset();
        }
        FrequencySpectrum spectrum = analyzer.Analyze(job.sound, job.position);
        job.sound.Free();
        {
            std::lock_guard<std::mutex> hold(lock_);
            ++computed_;
        }
        deliver_(std::move(spectrum), job.ticket);
    }
}

}  // namespace sv
