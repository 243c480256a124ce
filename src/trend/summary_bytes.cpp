#include "trend/summary_bytes.h"

#include <cstring>

namespace trend {

namespace {

constexpr std::uint64_t kPrime = 0x100000001b3ULL;

}  // namespace

void ByteCheck::add(const char* data, std::size_t size) {
    // Eight bytes a step: pages of buckets are tens of kilobytes.
    std::size_t at = 0;
    for (; at + sizeof(std::uint64_t) <= size; at += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + at, sizeof word);
        sum_ = (sum_ ^ word) * kPrime;
    }
    for (; at < size; ++at) {
        sum_ = (sum_ ^ static_cast<unsigned char>(data[at])) * kPrime;
    }
}

void SummaryWriter::bytes(const void* data, std::size_t size) {
    if (!ok_) {
        return;
    }
    const auto* begin = static_cast<const char*>(data);
    check_.add(begin, size);
    ok_ = sink_(begin, size);
}

void SummaryWriter::text(std::string_view t) {
    value(static_cast<std::uint64_t>(t.size()));
    bytes(t.data(), t.size());
}

bool SummaryWriter::finish() {
    const std::uint64_t sum = check_.sum();
    bytes(&sum, sizeof sum);
    return ok_;
}

bool SummaryReader::bytes(void* data, std::size_t size) {
    auto* begin = static_cast<char*>(data);
    ok_ = ok_ && source_(begin, size);
    if (ok_) {
        check_.add(begin, size);
    }
    return ok_;
}

bool SummaryReader::text(std::string& t, std::size_t longest) {
    std::uint64_t size = 0;
    if (!value(size) || size > longest) {
        ok_ = false;
        return false;
    }
    t.resize(static_cast<std::size_t>(size));
    return bytes(t.data(), t.size());
}

bool SummaryReader::finish() {
    const std::uint64_t expected = check_.sum();
    std::uint64_t sum = 0;
    char beyond = 0;
    ok_ = ok_ && source_(reinterpret_cast<char*>(&sum), sizeof sum) && sum == expected &&
          !source_(&beyond, 1);
    return ok_;
}

}  // namespace trend
