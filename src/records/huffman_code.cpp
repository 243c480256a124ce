#include "records/huffman_code.h"

#include <algorithm>

namespace records {

void codeLengths(const std::uint32_t* counts, unsigned symbols, unsigned longest,
                 std::uint8_t* lengths) {
    struct Leaf {
        std::uint64_t count;
        unsigned symbol;
    };
    Leaf leaves[kMostSymbols];
    unsigned used = 0;
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        lengths[symbol] = 0;
        if (counts[symbol] > 0) {
            leaves[used++] = {counts[symbol], symbol};
        }
    }
    for (unsigned symbol = 0; used < 2; ++symbol) {
        if (counts[symbol] == 0) {
            leaves[used++] = {1, symbol};
        }
    }
    std::sort(leaves, leaves + used, [](const Leaf& a, const Leaf& b) {
        return a.count != b.count ? a.count < b.count : a.symbol < b.symbol;
    });
    // The tree: leaves 0 to used - 1 in the order of their counts, then the inner nodes in the
    // order they are made, which is also the order of their counts; a parent comes after its
    // children.
    std::uint64_t weight[2 * kMostSymbols];
    unsigned parent[2 * kMostSymbols];
    for (unsigned i = 0; i < used; ++i) {
        weight[i] = leaves[i].count;
    }
    unsigned leaf = 0;
    unsigned inner = used;
    const unsigned root = 2 * used - 2;
    for (unsigned made = used; made <= root; ++made) {
        unsigned two[2];
        for (unsigned& smallest : two) {
            smallest =
                leaf < used && (inner >= made || weight[leaf] <= weight[inner]) ? leaf++ : inner++;
        }
        weight[made] = weight[two[0]] + weight[two[1]];
        parent[two[0]] = parent[two[1]] = made;
    }
    unsigned depth[2 * kMostSymbols];
    unsigned atDepth[2 * kMostSymbols] = {};
    depth[root] = 0;
    for (unsigned node = root; node-- > 0;) {
        depth[node] = depth[parent[node]] + 1;
        if (node < used) {
            ++atDepth[std::min(depth[node], longest)];
        }
    }
    // Codes cut to `longest` bits leave too little room: take a code off the longest and make
    // a shorter code two, one longer, until the codes fill their room exactly.
    std::uint64_t room = 0;
    for (unsigned bits = 1; bits <= longest; ++bits) {
        room += std::uint64_t{atDepth[bits]} << (longest - bits);
    }
    for (; room > (std::uint64_t{1} << longest); --room) {
        --atDepth[longest];
        unsigned bits = longest - 1;
        while (atDepth[bits] == 0) {
            --bits;
        }
        --atDepth[bits];
        atDepth[bits + 1] += 2;
    }
    unsigned next = 0;
    for (unsigned bits = longest; bits > 0; --bits) {
        for (unsigned i = 0; i < atDepth[bits]; ++i) {
            lengths[leaves[next++].symbol] = static_cast<std::uint8_t>(bits);
        }
    }
}

void codesOf(const std::uint8_t* lengths, unsigned symbols, std::uint16_t* codes) {
    unsigned withLength[kLongestHuffmanCode + 1] = {};
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        ++withLength[lengths[symbol]];
    }
    withLength[0] = 0;
    unsigned next[kLongestHuffmanCode + 1] = {};
    for (unsigned bits = 1, code = 0; bits <= kLongestHuffmanCode; ++bits) {
        code = (code + withLength[bits - 1]) << 1;
        next[bits] = code;
    }
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        const unsigned bits = lengths[symbol];
        unsigned code = bits > 0 ? next[bits]++ : 0;
        unsigned reversed = 0;
        for (unsigned i = 0; i < bits; ++i, code >>= 1) {
            reversed = (reversed << 1) | (code & 1);
        }
        codes[symbol] = static_cast<std::uint16_t>(reversed);
    }
}

}  // namespace records
