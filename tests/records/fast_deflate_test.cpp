// The quick deflate's output inflates back to its input with zlib, whole or in pieces that make
// one stream, whatever the bytes; it shrinks text that repeats and grows bytes that do not by
// no more than stored blocks do. Its Huffman codes fit their limit and fill their room.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "records/fast_deflate.h"
#include "records/huffman_code.h"

namespace {

// Inflates a raw deflate stream that must end exactly where its bytes do.
std::string inflated(const std::string& compressed, std::size_t expected) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
    std::string out(expected + 1, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END) << stream.msg;
    EXPECT_EQ(stream.avail_in, 0U) << "nothing after the final block";
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

std::string worksheetRows(int rows) {
    std::string xml;
    for (int i = 0; i < rows; ++i) {
        xml += "<row><c><v>" + std::to_string(i % 16 + 1) + "</v></c><c t=\"inlineStr\"><is><t>+" +
               std::to_string(i * 7 % 5000) + ".56m3/h</t></is></c><c t=\"s\"><v>3</v></c></row>";
    }
    return xml;
}

// 1, 1, 2, 3, 5, ... copies of 25 byte values, shuffled: codes as skewed as they come.
std::string skewedBytes() {
    std::string bytes;
    for (std::size_t value = 0, a = 1, b = 1; value < 25; ++value, b += a, a = b - a) {
        bytes.append(a, static_cast<char>('A' + value));
    }
    std::shuffle(bytes.begin(), bytes.end(), std::mt19937(7));
    return bytes;
}

// `text` twice, the second copy `distance` bytes after the first begins, random bytes between.
std::string repeatedAt(const std::string& text, std::size_t distance) {
    return text + randomBytes(distance - text.size(), 3) + text;
}

TEST(FastDeflate, EveryInputInflatesBackWholeOrInPieces) {
    const std::string row = worksheetRows(1);
    struct Case {
        const char* label;
        std::string input;
        double atMost;  // of the input's size, when it repeats
    };
    const Case cases[] = {
        {"nothing", "", 0},
        {"one byte", "x", 0},
        {"fewer bytes than a match needs", "abc", 0},
        {"a run far longer than a match", std::string(300000, 'a'), 0.01},
        {"every byte value, again and again",
         [] {
             std::string all;
             for (int i = 0; i < 256 * 40; ++i) {
                 all += static_cast<char>(i * 7 % 256);
             }
             return all;
         }(),
         0.1},
        {"bytes that do not repeat, more than a stored block holds", randomBytes(200000, 1), 0},
        {"rows of a worksheet, several blocks", worksheetRows(4000), 0.2},
        {"a text again at the window's far end", repeatedAt(row, 32768), 0},
        {"a text again just beyond the window", repeatedAt(row, 32769), 0},
        {"byte counts as skewed as they come", skewedBytes(), 0.7},
    };
    records::FastDeflate deflate;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string whole;
        deflate.compress(c.input, true, whole);
        EXPECT_TRUE(inflated(whole, c.input.size()) == c.input);
        const std::size_t stored = c.input.size() + 5 * (c.input.size() / 16384 + 1);
        EXPECT_LE(whole.size(), stored) << "never more than the bytes stored";
        if (c.atMost > 0) {
            EXPECT_LT(static_cast<double>(whole.size()), c.atMost * c.input.size());
        }

        // Three pieces, the last one empty, appended to what the output held before.
        std::string pieces = "head";
        const std::size_t third = c.input.size() / 3;
        deflate.compress(std::string_view(c.input).substr(0, third), false, pieces);
        deflate.compress(std::string_view(c.input).substr(third), false, pieces);
        deflate.compress({}, true, pieces);
        ASSERT_EQ(pieces.substr(0, 4), "head");
        EXPECT_TRUE(inflated(pieces.substr(4), c.input.size()) == c.input);
    }
    const std::string near = repeatedAt(row, 32768);
    std::string nearOut;
    deflate.compress(near, true, nearOut);
    EXPECT_LT(nearOut.size(), near.size()) << "the copy at 32768 bytes is a match";
}

TEST(HuffmanCode, LengthsFillTheirRoomWithinTheLimitTheCommonestShortest) {
    struct Case {
        const char* label;
        std::vector<std::uint32_t> counts;
        unsigned longest;
        std::vector<std::uint8_t> expected;  // when one answer alone is right
    };
    std::vector<std::uint32_t> fibonacci{1, 1};
    while (fibonacci.size() < 30) {
        fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
    }
    const Case cases[] = {
        {"a small tree", {1, 1, 2, 4}, 15, {3, 3, 2, 1}},
        {"symbols not used get none", {0, 5, 0, 5, 10, 0}, 15, {0, 2, 0, 2, 1, 0}},
        {"one symbol used gets a partner", {0, 0, 9}, 15, {1, 0, 1}},
        {"none used", {0, 0, 0, 0}, 15, {1, 1, 0, 0}},
        {"every literal and length alike", std::vector<std::uint32_t>(286, 3), 15, {}},
        {"Fibonacci counts cut to 15 bits", fibonacci, 15, {}},
        {"Fibonacci counts cut to 7 bits", {fibonacci.begin(), fibonacci.begin() + 19}, 7, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const auto symbols = static_cast<unsigned>(c.counts.size());
        std::vector<std::uint8_t> lengths(symbols, 99);
        records::codeLengths(c.counts.data(), symbols, c.longest, lengths.data());
        if (!c.expected.empty()) {
            EXPECT_EQ(lengths, c.expected);
        }
        std::uint64_t room = 0;
        for (unsigned s = 0; s < symbols; ++s) {
            EXPECT_LE(lengths[s], c.longest);
            if (c.expected.empty()) {
                EXPECT_EQ(lengths[s] == 0, c.counts[s] == 0) << s;
            }
            room += lengths[s] > 0 ? std::uint64_t{1} << (c.longest - lengths[s]) : 0;
            for (unsigned t = 0; t < symbols; ++t) {
                EXPECT_FALSE(c.counts[s] > c.counts[t] && lengths[s] > lengths[t] && lengths[t] > 0)
                    << s << " " << t;
            }
        }
        EXPECT_EQ(room, std::uint64_t{1} << c.longest) << "a complete code";
    }

    // The example of the deflate format's description: A to H of lengths 3 3 3 3 3 2 4 4 are
    // 010 011 100 101 110 00 1110 1111, written here first bit lowest.
    const std::uint8_t lengths[] = {3, 3, 3, 3, 3, 2, 4, 4};
    std::uint16_t codes[8];
    records::codesOf(lengths, 8, codes);
    EXPECT_EQ(
        std::vector<std::uint16_t>(codes, codes + 8),
        (std::vector<std::uint16_t>{0b010, 0b110, 0b001, 0b101, 0b011, 0b00, 0b0111, 0b1111}));
}

}  // namespace
