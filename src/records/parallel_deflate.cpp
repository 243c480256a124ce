#include "records/parallel_deflate.h"

#include <zlib.h>

#include <new>
#include <system_error>
#include <utility>

#include "records/fast_deflate.h"

namespace records {

struct ParallelDeflate::Piece {
    std::string input;
    std::string output;
    std::uint32_t crc = 0;
    bool last = false;
    bool done = false;
    bool failed = false;
};

ParallelDeflate::ParallelDeflate(Output output, unsigned helpers)
    : output_(std::move(output)), inHand_(helpers + 1) {
    try {
        for (unsigned i = 0; i < (helpers == 0 ? 1 : helpers); ++i) {
            helpers_.emplace_back([this] { help(); });
        }
    } catch (const std::system_error&) {
        // No thread to be had: the output fails, as a full disk would fail it, unless some
        // helpers did start.
        failed_ = helpers_.empty();
    }
}

ParallelDeflate::~ParallelDeflate() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    toDo_.notify_all();
    for (std::thread& helper : helpers_) {
        helper.join();
    }
}

bool ParallelDeflate::add(std::string& piece) {
    if (piece.empty()) {
        return !failed_;
    }
    std::unique_ptr<Piece> next;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!spare_.empty()) {
            next = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    if (!next) {
        next = std::make_unique<Piece>();
    }
    next->input.swap(piece);
    return queue(std::move(next)) && handOn(inHand_);
}

bool ParallelDeflate::finish() {
    auto last = std::make_unique<Piece>();
    last->last = true;
    return queue(std::move(last)) && handOn(0);
}

bool ParallelDeflate::queue(std::unique_ptr<Piece> piece) {
    if (failed_) {
        return false;
    }
    piece->done = false;
    piece->failed = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pieces_.push_back(std::move(piece));
    }
    toDo_.notify_one();
    return true;
}

bool ParallelDeflate::handOn(std::size_t inHand) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!failed_ && !pieces_.empty() && (pieces_.front()->done || pieces_.size() > inHand)) {
        done_.wait(lock, [this] { return pieces_.front()->done; });
        std::unique_ptr<Piece> piece = std::move(pieces_.front());
        pieces_.pop_front();
        --taken_;
        lock.unlock();
        failed_ = piece->failed || !output_(piece->output);
        crc_ = static_cast<std::uint32_t>(
            crc32_combine(crc_, piece->crc, static_cast<z_off_t>(piece->input.size())));
        size_ += piece->input.size();
        compressedSize_ += piece->output.size();
        lock.lock();
        spare_.push_back(std::move(piece));
    }
    return !failed_;
}

// A helper's loop: takes the oldest piece no helper has taken, compresses it, and marks it done.
void ParallelDeflate::help() {
    FastDeflate deflate;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        toDo_.wait(lock, [this] { return stopping_ || taken_ < pieces_.size(); });
        if (stopping_) {
            break;
        }
        Piece& piece = *pieces_[taken_++];
        lock.unlock();
        bool done = true;
        try {
            piece.output.clear();
            deflate.compress(piece.input, piece.last, piece.output);
            piece.crc = static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(piece.input.data()),
                      static_cast<uInt>(piece.input.size())));
        } catch (const std::bad_alloc&) {
            done = false;
        }
        lock.lock();
        piece.failed = !done;
        piece.done = true;
        done_.notify_all();
    }
}

}  // namespace records
