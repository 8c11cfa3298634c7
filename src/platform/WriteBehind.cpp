#include "platform/WriteBehind.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace sv {

WriteBehind::~WriteBehind() {
    int err = 0;
    Drain(&err);
    if (worker_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
}

bool WriteBehind::Failed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_ != 0;
}

char* WriteBehind::Reserve(std::size_t len) {
    if (!filling_.bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        TakePiece(lock);
    }
    if (filling_.size + std::min(len, kPieceBytes) > kPieceBytes) HandOver();
    return filling_.bytes.get() + filling_.size;
}

void WriteBehind::Commit(std::size_t len) {
    filling_.size += std::min(len, kPieceBytes - filling_.size);
    if (filling_.size == kPieceBytes) HandOver();
}

bool WriteBehind::Append(const void* data, std::size_t len) {
    if (Failed()) return false;
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        const std::size_t take = std::min(len, kPieceBytes);
        std::memcpy(Reserve(take), p, take);
        Commit(take);
        p += take;
        len -= take;
    }
    return !Failed();
}

bool WriteBehind::WriteNow(const char* data, std::size_t len) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (error_ != 0) return false;
    if (len > 0 && !WriteAll(fd_, data, len)) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

// A written piece when one is back, a new one while fewer than kPieces exist, else the wait
// for the thread to give one back.
void WriteBehind::TakePiece(std::unique_lock<std::mutex>& lock) {
    if (spare_.empty() && made_ >= kPieces) changed_.wait(lock, [this] { return !spare_.empty(); });
    if (!spare_.empty()) {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    } else {
        ++made_;
        filling_.bytes = std::make_unique<char[]>(kPieceBytes);
    }
    filling_.size = 0;
}

void WriteBehind::HandOver() {
    if (!worker_.joinable() && !threadless_) {
        try {
            worker_ = std::thread(&WriteBehind::Run, this);
        } catch (const std::system_error&) {
            threadless_ = true;
        }
    }
    if (threadless_) {
        WriteNow(filling_.bytes.get(), filling_.size);
        filling_.size = 0;
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    queued_.push_back(std::move(filling_));
    changed_.notify_all();
    TakePiece(lock);
}

bool WriteBehind::Drain(int* err) {
    if (!worker_.joinable()) {
        if (filling_.size > 0) WriteNow(filling_.bytes.get(), filling_.size);
        filling_.size = 0;
    } else {
        std::unique_lock<std::mutex> lock(mutex_);
        if (filling_.size > 0) {
            queued_.push_back(std::move(filling_));
            changed_.notify_all();
            TakePiece(lock);
        }
        changed_.wait(lock, [this] { return queued_.empty() && !busy_; });
    }
    std::lock_guard<std::mutex> lock(mutex_);
    *err = error_;
    return error_ == 0;
}

void WriteBehind::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || !queued_.empty(); });
        if (queued_.empty()) return;
        Piece piece = std::move(queued_.front());
        queued_.pop_front();
        busy_ = true;
        const bool skip = error_ != 0;
        lock.unlock();
        int err = 0;
        if (!skip && !WriteAll(fd_, piece.bytes.get(), piece.size)) err = errno != 0 ? errno : EIO;
        lock.lock();
        if (err != 0 && error_ == 0) error_ = err;
        spare_.push_back(std::move(piece));
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace sv
