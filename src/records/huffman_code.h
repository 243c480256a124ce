#pragma once

#include <cstdint>

namespace records {

// The most symbols an alphabet of deflate has (its literals and lengths), and its longest code.
constexpr unsigned kMostSymbols = 286;
constexpr unsigned kLongestHuffmanCode = 15;

// Huffman code lengths for the `symbols` counts at `counts` (at most kMostSymbols), none longer
// than `longest` (at most kLongestHuffmanCode, with room for every symbol used): the more often
// a symbol is used, the shorter its code; a symbol never used gets none (0). At least two
// symbols get a code, so that the code is complete, as readers may demand.
void codeLengths(const std::uint32_t* counts, unsigned symbols, unsigned longest,
                 std::uint8_t* lengths);

// The canonical codes of those lengths, each bit-reversed, as a stream that takes a code's
// first bit first wants it.
void codesOf(const std::uint8_t* lengths, unsigned symbols, std::uint16_t* codes);

}  // namespace records
