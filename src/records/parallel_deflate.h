#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace records {

// Raw deflate (RFC 1951) of a long run of bytes, compressed on helper threads. The bytes come in
// pieces; each piece is compressed on its own, side by side with the next ones, and ends on a
// byte boundary without closing the stream, so that the outputs, handed on in the pieces' order,
// make one deflate stream. Keeps the CRC-32 and the sizes that a ZIP entry records.
// At most a few pieces are in hand at once, so memory does not grow with the length.
class ParallelDeflate {
  public:
    // Takes compressed bytes in their order, on the thread that calls add() and finish().
    using Output = std::function<bool(std::string_view compressed)>;

    ParallelDeflate(Output output, unsigned helpers);
    // Stops the helpers; what was not yet compressed is dropped.
    ~ParallelDeflate();
    ParallelDeflate(const ParallelDeflate&) = delete;
    ParallelDeflate& operator=(const ParallelDeflate&) = delete;

    // Takes the bytes of `piece`, leaving in it the bytes of an earlier piece or none: its memory
    // is there to be reused. False once compression or the output has failed.
    [[nodiscard]] bool add(std::string& piece);
    // Compresses what is left and ends the stream.
    [[nodiscard]] bool finish();

    [[nodiscard]] std::uint32_t crc() const { return crc_; }
    [[nodiscard]] std::uint64_t size() const { return size_; }
    [[nodiscard]] std::uint64_t compressedSize() const { return compressedSize_; }

  private:
    struct Piece;

    void help();
    [[nodiscard]] bool queue(std::unique_ptr<Piece> piece);
    // Hands on the compressed pieces at the front; waits while more than `inHand` are left.
    [[nodiscard]] bool handOn(std::size_t inHand);

    Output output_;
    std::size_t inHand_;
    std::mutex mutex_;
    std::condition_variable toDo_;
    std::condition_variable done_;
    std::deque<std::unique_ptr<Piece>> pieces_;  // in their order, the oldest first
    std::size_t taken_ = 0;                      // how many at the front a helper has taken
    std::vector<std::unique_ptr<Piece>> spare_;
    bool stopping_ = false;
    bool failed_ = false;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t compressedSize_ = 0;
    std::vector<std::thread> helpers_;
};

}  // namespace records
