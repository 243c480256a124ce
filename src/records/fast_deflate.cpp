#include "records/fast_deflate.h"

#include <algorithm>
#include <cstring>

#include "records/huffman_code.h"

namespace records {

namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kShortestMatch = 4;  // the bytes a hash covers
constexpr std::size_t kLongestMatch = 258;
constexpr unsigned kHashBits = 15;
constexpr std::size_t kBlockSymbols = 16384;
constexpr std::size_t kStoredMost = 65535;  // bytes in one stored block
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLengthSymbols = kMostSymbols;
constexpr unsigned kDistanceSymbols = 30;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kLongestCodeLengthCode = 7;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a block's header gives the code lengths of the code-length alphabet.
constexpr std::uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                               11, 4,  12, 3, 13, 2, 14, 1, 15};
// The extra bits after the code-length alphabet's repeat symbols 16, 17 and 18.
constexpr unsigned kRepeatExtra[3] = {2, 3, 7};

struct CodeTables {
    std::uint8_t lengthCode[kLongestMatch + 1] = {};
    // By distance - 1 up to 256, then by 256 + (distance - 1) / 128: every code from 257 on
    // covers whole 128s.
    std::uint8_t distanceCode[512] = {};
};

constexpr CodeTables makeTables() {
    CodeTables tables;
    for (unsigned code = 0; code < 29; ++code) {
        const unsigned end = code + 1 < 29 ? kLengthBase[code + 1] : kLongestMatch + 1;
        for (unsigned length = kLengthBase[code]; length < end; ++length) {
            tables.lengthCode[length] = static_cast<std::uint8_t>(code);
        }
    }
    for (unsigned code = 0; code < kDistanceSymbols; ++code) {
        const unsigned end = code + 1 < kDistanceSymbols ? kDistanceBase[code + 1] : kWindow + 1;
        for (unsigned distance = kDistanceBase[code]; distance < end; ++distance) {
            const unsigned at = distance <= 256 ? distance - 1 : 256 + ((distance - 1) >> 7);
            tables.distanceCode[at] = static_cast<std::uint8_t>(code);
        }
    }
    return tables;
}

constexpr CodeTables kTables = makeTables();

unsigned distanceCode(std::size_t distance) {
    return kTables.distanceCode[distance <= 256 ? distance - 1 : 256 + ((distance - 1) >> 7)];
}

std::uint32_t load32(const unsigned char* at) {
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// How many bytes from `a` and `b` on are equal, up to `most`.
std::size_t equalBytes(const unsigned char* a, const unsigned char* b, std::size_t most) {
    std::size_t equal = 0;
    for (std::uint64_t x = 0, y = 0; equal + sizeof x <= most; equal += sizeof x) {
        std::memcpy(&x, a + equal, sizeof x);
        std::memcpy(&y, b + equal, sizeof y);
        if (x != y) {
            break;
        }
    }
    while (equal < most && a[equal] == b[equal]) {
        ++equal;
    }
    return equal;
}

// Bits to the output, the first bit in the lowest bit of the first byte.
class BitWriter {
  public:
    explicit BitWriter(std::string& out) : out_(out), used_(out.size()) {}

    // Makes room for `bytes` more bytes.
    void reserve(std::size_t bytes) {
        if (out_.size() < used_ + bytes + 8) {
            out_.resize(std::max(used_ + bytes + 8, out_.size() * 2));
        }
    }
    // The lowest `count` bits of `bits`, count at most 32; the bits above them must be clear.
    void put(std::uint32_t bits, unsigned count) {
        pending_ |= std::uint64_t{bits} << filled_;
        filled_ += count;
        if (filled_ >= 32) {
            char* to = &out_[used_];
            for (int i = 0; i < 4; ++i, pending_ >>= 8) {
                to[i] = static_cast<char>(pending_ & 0xFF);
            }
            used_ += 4;
            filled_ -= 32;
        }
    }
    // Fills the last byte begun with zeros; the bits above those put are always clear.
    void align() {
        for (; filled_ > 0; pending_ >>= 8) {
            out_[used_++] = static_cast<char>(pending_ & 0xFF);
            filled_ = filled_ > 8 ? filled_ - 8 : 0;
        }
    }
    // Whole bytes after align(); none may come from no place at all (an empty input's).
    void bytes(const unsigned char* from, std::size_t count) {
        if (count > 0) {
            std::memcpy(&out_[used_], from, count);
            used_ += count;
        }
    }
    void end() {
        align();
        out_.resize(used_);
    }

  private:
    std::string& out_;
    std::size_t used_;
    std::uint64_t pending_ = 0;
    unsigned filled_ = 0;
};

// The code lengths of a block's two alphabets, as the header gives them: run-length coded with
// the code-length alphabet (16 repeats the last length 3 to 6 times, 17 and 18 give 3 to 10 and
// 11 to 138 zeros).
struct LengthsHeader {
    struct Step {
        std::uint8_t symbol;
        std::uint8_t extra;
    };
    Step steps[kLengthSymbols + kDistanceSymbols];
    unsigned stepCount = 0;
    std::uint32_t counts[kCodeLengthSymbols] = {};
    std::uint8_t lengths[kCodeLengthSymbols] = {};
    std::uint16_t codes[kCodeLengthSymbols] = {};
    unsigned sent = 0;  // code lengths of the code-length alphabet sent, in kCodeLengthOrder

    void add(std::uint8_t symbol, std::uint8_t extra = 0) {
        steps[stepCount++] = {symbol, extra};
        ++counts[symbol];
    }

    LengthsHeader(const std::uint8_t* all, unsigned count) {
        for (unsigned at = 0; at < count;) {
            const std::uint8_t length = all[at];
            unsigned run = 1;
            while (at + run < count && all[at + run] == length) {
                ++run;
            }
            at += run;
            if (length == 0) {
                for (; run >= 11; run -= std::min(run, 138U)) {
                    add(18, static_cast<std::uint8_t>(std::min(run, 138U) - 11));
                }
                if (run >= 3) {
                    add(17, static_cast<std::uint8_t>(run - 3));
                    run = 0;
                }
            } else {
                add(length);
                for (--run; run >= 3; run -= std::min(run, 6U)) {
                    add(16, static_cast<std::uint8_t>(std::min(run, 6U) - 3));
                }
            }
            for (; run > 0; --run) {
                add(length);
            }
        }
        codeLengths(counts, kCodeLengthSymbols, kLongestCodeLengthCode, lengths);
        codesOf(lengths, kCodeLengthSymbols, codes);
        for (sent = kCodeLengthSymbols; sent > 4 && lengths[kCodeLengthOrder[sent - 1]] == 0;) {
            --sent;
        }
    }

    [[nodiscard]] std::uint64_t bits() const {
        std::uint64_t total = 5 + 5 + 4 + 3 * std::uint64_t{sent};
        for (unsigned symbol = 0; symbol < kCodeLengthSymbols; ++symbol) {
            total += std::uint64_t{counts[symbol]} *
                     (lengths[symbol] + (symbol >= 16 ? kRepeatExtra[symbol - 16] : 0));
        }
        return total;
    }

    void write(BitWriter& writer, unsigned lengthSymbols, unsigned distanceSymbols) const {
        writer.put(lengthSymbols - 257, 5);
        writer.put(distanceSymbols - 1, 5);
        writer.put(sent - 4, 4);
        for (unsigned i = 0; i < sent; ++i) {
            writer.put(lengths[kCodeLengthOrder[i]], 3);
        }
        for (unsigned i = 0; i < stepCount; ++i) {
            const Step& step = steps[i];
            writer.put(codes[step.symbol], lengths[step.symbol]);
            if (step.symbol >= 16) {
                writer.put(step.extra, kRepeatExtra[step.symbol - 16]);
            }
        }
    }
};

// Writes one block of `symbols`, which stand for the bytes `raw`: with Huffman codes made for
// them, or stored when that is shorter.
void writeBlock(const std::vector<FastDeflate::Symbol>& symbols, std::uint32_t* lengthCounts,
                const std::uint32_t* distanceCounts, std::string_view raw, bool final,
                BitWriter& writer) {
    lengthCounts[kEndOfBlock] = 1;
    std::uint8_t lengthLengths[kLengthSymbols];
    std::uint8_t distanceLengths[kDistanceSymbols];
    codeLengths(lengthCounts, kLengthSymbols, kLongestHuffmanCode, lengthLengths);
    codeLengths(distanceCounts, kDistanceSymbols, kLongestHuffmanCode, distanceLengths);
    unsigned lengthSymbols = kLengthSymbols;
    while (lengthSymbols > kEndOfBlock + 1 && lengthLengths[lengthSymbols - 1] == 0) {
        --lengthSymbols;
    }
    unsigned distanceSymbols = kDistanceSymbols;
    while (distanceSymbols > 1 && distanceLengths[distanceSymbols - 1] == 0) {
        --distanceSymbols;
    }
    std::uint8_t all[kLengthSymbols + kDistanceSymbols];
    std::copy(lengthLengths, lengthLengths + lengthSymbols, all);
    std::copy(distanceLengths, distanceLengths + distanceSymbols, all + lengthSymbols);
    const LengthsHeader header(all, lengthSymbols + distanceSymbols);

    std::uint64_t bits = 3 + header.bits();
    for (unsigned symbol = 0; symbol < kLengthSymbols; ++symbol) {
        const unsigned extra = symbol > kEndOfBlock ? kLengthExtra[symbol - kEndOfBlock - 1] : 0;
        bits += std::uint64_t{lengthCounts[symbol]} * (lengthLengths[symbol] + extra);
    }
    for (unsigned symbol = 0; symbol < kDistanceSymbols; ++symbol) {
        bits += std::uint64_t{distanceCounts[symbol]} *
                (distanceLengths[symbol] + kDistanceExtra[symbol]);
    }
    const std::size_t storedBlocks =
        std::max<std::size_t>(1, (raw.size() + kStoredMost - 1) / kStoredMost);
    const std::uint64_t storedBytes = raw.size() + 5 * storedBlocks;
    if (storedBytes * 8 <= bits) {
        writer.reserve(storedBytes);
        std::size_t done = 0;
        do {
            const std::size_t part = std::min(kStoredMost, raw.size() - done);
            writer.put(final && done + part == raw.size() ? 1 : 0, 3);
            writer.align();
            const unsigned char sizes[] = {static_cast<unsigned char>(part & 0xFF),
                                           static_cast<unsigned char>(part >> 8),
                                           static_cast<unsigned char>(~part & 0xFF),
                                           static_cast<unsigned char>(~part >> 8 & 0xFF)};
            writer.bytes(sizes, sizeof sizes);
            writer.bytes(reinterpret_cast<const unsigned char*>(raw.data()) + done, part);
            done += part;
        } while (done < raw.size());
        return;
    }

    std::uint16_t lengthCodes[kLengthSymbols];
    std::uint16_t distanceCodes[kDistanceSymbols];
    codesOf(lengthLengths, kLengthSymbols, lengthCodes);
    codesOf(distanceLengths, kDistanceSymbols, distanceCodes);
    writer.reserve(bits / 8);
    writer.put(final ? 1 : 0, 1);
    writer.put(2, 2);  // Huffman codes of its own
    header.write(writer, lengthSymbols, distanceSymbols);
    for (const FastDeflate::Symbol& symbol : symbols) {
        if (symbol.distance == 0) {
            writer.put(lengthCodes[symbol.lengthOrByte], lengthLengths[symbol.lengthOrByte]);
            continue;
        }
        const unsigned length = kTables.lengthCode[symbol.lengthOrByte];
        const unsigned lengthSymbol = kEndOfBlock + 1 + length;
        writer.put(lengthCodes[lengthSymbol] |
                       (static_cast<std::uint32_t>(symbol.lengthOrByte - kLengthBase[length])
                        << lengthLengths[lengthSymbol]),
                   lengthLengths[lengthSymbol] + kLengthExtra[length]);
        const unsigned distance = distanceCode(symbol.distance);
        writer.put(distanceCodes[distance] |
                       (static_cast<std::uint32_t>(symbol.distance - kDistanceBase[distance])
                        << distanceLengths[distance]),
                   distanceLengths[distance] + kDistanceExtra[distance]);
    }
    writer.put(lengthCodes[kEndOfBlock], lengthLengths[kEndOfBlock]);
}

}  // namespace

FastDeflate::FastDeflate() : recent_(std::size_t{1} << kHashBits) {
    symbols_.reserve(kBlockSymbols);
}

void FastDeflate::addLiteral(unsigned char byte) {
    symbols_.push_back({byte, 0});
    ++lengthCounts_[byte];
}

void FastDeflate::addMatch(std::size_t length, std::size_t distance) {
    symbols_.push_back({static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)});
    ++lengthCounts_[kEndOfBlock + 1 + kTables.lengthCode[length]];
    ++distanceCounts_[distanceCode(distance)];
}

void FastDeflate::compress(std::string_view input, bool last, std::string& out) {
    BitWriter writer(out);
    std::fill(recent_.begin(), recent_.end(), 0);
    const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
    const std::size_t size = input.size();
    const auto endBlock = [this, &writer](std::string_view raw, bool final) {
        writeBlock(symbols_, lengthCounts_.data(), distanceCounts_.data(), raw, final, writer);
        symbols_.clear();
        lengthCounts_.fill(0);
        distanceCounts_.fill(0);
    };
    std::size_t blockStart = 0;
    std::size_t at = 0;
    while (at < size) {
        if (symbols_.size() == kBlockSymbols) {
            endBlock(input.substr(blockStart, at - blockStart), false);
            blockStart = at;
        }
        if (at + kShortestMatch > size) {
            addLiteral(bytes[at++]);
            continue;
        }
        const std::uint32_t four = load32(bytes + at);
        std::uint32_t& seen = recent_[(four * 2654435761U) >> (32 - kHashBits)];
        // Where the same four bytes were, if they are near enough: positions are kept modulo
        // 2^32, and one that wrapped round is too far back.
        const std::size_t before = seen;
        seen = static_cast<std::uint32_t>(at + 1);
        const std::size_t distance = at + 1 - before;
        if (before != 0 && distance <= kWindow && load32(bytes + at - distance) == four) {
            const std::size_t length =
                kShortestMatch + equalBytes(bytes + at - distance + kShortestMatch,
                                            bytes + at + kShortestMatch,
                                            std::min(kLongestMatch, size - at) - kShortestMatch);
            addMatch(length, distance);
            at += length;
        } else {
            addLiteral(bytes[at++]);
        }
    }
    endBlock(input.substr(blockStart), last);
    if (!last) {
        // An empty stored block brings the stream to a byte boundary.
        writer.reserve(8);
        writer.put(0, 3);
        writer.align();
        static constexpr unsigned char kEmpty[] = {0x00, 0x00, 0xFF, 0xFF};
        writer.bytes(kEmpty, sizeof kEmpty);
    }
    writer.end();
}

}  // namespace records
