// The quick deflate's output inflates back to its input with zlib, whole or in pieces that make
// one stream, whatever the bytes; it shrinks text that repeats and grows bytes that do not by
// no more than stored blocks do. Its Huffman codes fit their limit and fill their room.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
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

std::string randomBytes(std::size_t size) {
    std::mt19937 random(1);
    std::string bytes(size, '\0');
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<char>(random()); });
    return bytes;
}

std::string rows(int count) {
    std::string xml;
    for (int i = 0; i < count; ++i) {
        xml += "<row><c><v>" + std::to_string(i % 16 + 1) + "</v></c><c t=\"inlineStr\"><is><t>+" +
               std::to_string(i * 7 % 5000) + ".56m3/h</t></is></c></row>";
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

TEST(FastDeflate, EveryInputInflatesBackWholeOrInPieces) {
    // A row again 32768 bytes after it begins is a match; 32769 bytes after, it is out of reach.
    const std::string gap = randomBytes(32768 - rows(1).size());
    struct Case {
        const char* label;
        std::string input;
        double atMost;  // of the input's size, when it must shrink
    };
    const Case cases[] = {
        {"nothing", "", 0},
        {"fewer bytes than a match needs", "abc", 0},
        {"a run far longer than a match", std::string(300000, 'a'), 0.01},
        {"bytes that do not repeat, several blocks", randomBytes(200000), 0},
        {"rows of a worksheet, several blocks", rows(4000), 0.2},
        {"a row again at the window's far end", rows(1) + gap + rows(1), 1},
        {"a row again just beyond the window", rows(1) + gap + "x" + rows(1), 0},
        {"byte counts as skewed as they come", skewedBytes(), 0.7},
    };
    records::FastDeflate deflate;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string whole;
        deflate.compress(c.input, true, whole);
        EXPECT_TRUE(inflated(whole, c.input.size()) == c.input);
        EXPECT_LE(whole.size(), c.input.size() + 5 * (c.input.size() / 16384 + 1))
            << "never more than the bytes stored";
        EXPECT_TRUE(c.atMost == 0 || whole.size() < c.atMost * c.input.size()) << whole.size();

        // Three pieces, the last one empty, appended to what the output held before.
        std::string pieces = "head";
        const std::size_t third = c.input.size() / 3;
        deflate.compress(std::string_view(c.input).substr(0, third), false, pieces);
        deflate.compress(std::string_view(c.input).substr(third), false, pieces);
        deflate.compress({}, true, pieces);
        ASSERT_EQ(pieces.substr(0, 4), "head");
        EXPECT_TRUE(inflated(pieces.substr(4), c.input.size()) == c.input);
    }
}

TEST(HuffmanCode, LengthsFillTheirRoomWithinTheLimitTheCommonestShortest) {
    std::vector<std::uint32_t> fibonacci{1, 1};
    while (fibonacci.size() < 30) {
        fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
    }
    struct Case {
        std::vector<std::uint32_t> counts;
        unsigned longest;
        std::vector<std::uint8_t> expected;  // when one answer alone is right
    };
    const Case cases[] = {
        {{1, 1, 2, 4}, 15, {3, 3, 2, 1}},
        {{0, 5, 0, 5, 10, 0}, 15, {0, 2, 0, 2, 1, 0}},
        {{0, 0, 9}, 15, {1, 0, 1}},  // a partner for a symbol alone
        {{0, 0, 0, 0}, 15, {1, 1, 0, 0}},
        {std::vector<std::uint32_t>(286, 3), 15, {}},
        {fibonacci, 15, {}},
        {{fibonacci.begin(), fibonacci.begin() + 19}, 7, {}},
    };
    for (const Case& c : cases) {
        const auto symbols = static_cast<unsigned>(c.counts.size());
        SCOPED_TRACE(testing::Message() << symbols << " symbols, at most " << c.longest);
        std::vector<std::uint8_t> lengths(symbols, 99);
        records::codeLengths(c.counts.data(), symbols, c.longest, lengths.data());
        std::uint64_t room = 0;
        for (unsigned s = 0; s < symbols; ++s) {
            EXPECT_LE(lengths[s], c.longest);
            EXPECT_TRUE(!c.expected.empty() || (lengths[s] == 0) == (c.counts[s] == 0)) << s;
            room += lengths[s] > 0 ? std::uint64_t{1} << (c.longest - lengths[s]) : 0;
            for (unsigned t = 0; t < symbols; ++t) {
                EXPECT_FALSE(c.counts[s] > c.counts[t] && lengths[s] > lengths[t] &&
                             lengths[t] > 0);
            }
        }
        EXPECT_EQ(room, std::uint64_t{1} << c.longest) << "a complete code";
        EXPECT_TRUE(c.expected.empty() || lengths == c.expected);
    }
}

}  // namespace
