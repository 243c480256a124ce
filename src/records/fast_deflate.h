#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/huffman_code.h"

namespace records {

// A quick raw deflate (RFC 1951) of one piece of a stream, with no history before it. It looks for
// a match only where the last four bytes of the same hash were seen and takes the first match it
// finds, so it costs a fraction of zlib's fast levels on a worksheet's XML, whose rows repeat the
// row before them, for an output a little larger. Each block gets Huffman codes of its own, or is
// stored when that is shorter, so bytes that do not repeat grow by five bytes in 16 KiB at most.
// One compressor is used by one thread at a time; it keeps its tables between pieces.
class FastDeflate {
  public:
    FastDeflate();

    // Appends to `out` the blocks of `input`. Unless `last`, they end on a byte boundary without
    // closing the stream (as zlib's sync flush does), so that the next piece's blocks may follow;
    // with `last` the final block closes it.
    void compress(std::string_view input, bool last, std::string& out);

    // A literal byte, or a match of a length 3 to 258 at a distance 1 to 32768.
    struct Symbol {
        std::uint16_t lengthOrByte;
        std::uint16_t distance;  // 0 for a literal
    };

  private:
    void addLiteral(unsigned char byte);
    void addMatch(std::size_t length, std::size_t distance);

    std::vector<std::uint32_t> recent_;  // by hash: 1 + where those four bytes were last seen
    // The symbols of the block under way, and how often each code of its two alphabets is used.
    std::vector<Symbol> symbols_;
    std::array<std::uint32_t, kMostSymbols> lengthCounts_{};
    std::array<std::uint32_t, 30> distanceCounts_{};
};

}  // namespace records
