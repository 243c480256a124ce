#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace trend {

// Takes all of the bytes given, or fails.
using ByteSink = std::function<bool(const char* data, std::size_t size)>;
// Fills exactly `size` bytes, or fails (the end came first, or the file cannot be read).
using ByteSource = std::function<bool(char* data, std::size_t size)>;

// A check sum over bytes given in pieces; the reader takes them in the same pieces as the writer
// gave them, so both get the same sum.
class ByteCheck {
  public:
    void add(const char* data, std::size_t size);
    [[nodiscard]] std::uint64_t sum() const { return sum_; }

  private:
    std::uint64_t sum_ = 0xcbf29ce484222325ULL;
};

// Writes a summary kept between runs: values as this machine holds them in memory (the reader
// checks that it holds them the same way), and a check sum at the end.
class SummaryWriter {
  public:
    explicit SummaryWriter(const ByteSink& sink) : sink_(sink) {}

    void bytes(const void* data, std::size_t size);
    template <typename T>
    void value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes(&v, sizeof v);
    }
    void text(std::string_view t);
    // Writes the check sum; whether every byte went out.
    [[nodiscard]] bool finish();

  private:
    const ByteSink& sink_;
    ByteCheck check_;
    bool ok_ = true;
};

// Reads what a SummaryWriter wrote. Every read fails once one has failed.
class SummaryReader {
  public:
    explicit SummaryReader(const ByteSource& source) : source_(source) {}

    [[nodiscard]] bool bytes(void* data, std::size_t size);
    template <typename T>
    [[nodiscard]] bool value(T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        return bytes(&v, sizeof v);
    }
    // A text of at most `longest` bytes.
    [[nodiscard]] bool text(std::string& t, std::size_t longest);
    // Whether every read succeeded, the check sum that follows matches what was read, and
    // nothing follows it.
    [[nodiscard]] bool finish();

  private:
    const ByteSource& source_;
    ByteCheck check_;
    bool ok_ = true;
};

}  // namespace trend
