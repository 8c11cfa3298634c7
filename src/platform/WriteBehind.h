#pragma once
// WriteBehind: sequential writes to a descriptor carried out by a thread of its own, so that
// the caller prepares the next piece while the kernel copies the last one into the page cache
// (most of the time a long import or save spends).
//
// Bytes are gathered into pieces of kPieceBytes; at most kPieces are in flight, so memory
// stays flat whatever the file's length. The thread starts with the first full piece (short
// files never start one) and writes at the descriptor's current position, which the caller
// must leave alone until Drain returns. The first failure sticks: later bytes are dropped and
// Drain reports its errno. Append and Drain are called from one thread, the owner's.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sv {

class WriteBehind {
public:
    static constexpr std::size_t kPieceBytes = 256 * 1024;
    static constexpr std::size_t kPieces = 3;

    explicit WriteBehind(int fd) : fd_(fd) {}
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // False once a write has failed (the bytes are then dropped).
    bool Append(const void* data, std::size_t len);
    // Room for len bytes (at most kPieceBytes) after those appended, for a caller that makes
    // them in place; Commit(len) then appends them.
    char* Reserve(std::size_t len);
    void Commit(std::size_t len);
    // Waits until every appended byte is written; false with *err set when a write failed.
    bool Drain(int* err);
    bool Failed() const;

private:
    struct Piece {
        std::unique_ptr<char[]> bytes;
        std::size_t size = 0;
    };
    void HandOver();
    void TakePiece(std::unique_lock<std::mutex>& lock);
    bool WriteNow(const char* data, std::size_t len);
    void Run();

    int fd_;
    Piece filling_;
    std::thread worker_;
    bool threadless_ = false;  // the thread could not start: pieces are written in place
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> queued_;  // full pieces, oldest first
    std::vector<Piece> spare_;  // written pieces, ready to refill
    std::size_t made_ = 0;      // pieces allocated so far, at most kPieces
    bool busy_ = false;         // the thread is writing a piece taken off the queue
    bool stop_ = false;
    int error_ = 0;
};

}  // namespace sv
