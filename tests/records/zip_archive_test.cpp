// A ZIP archive written front to back reads back whole: every entry's bytes in their order, with
// the CRC and the sizes its descriptor and the directory give, however its pieces were cut and
// however the helpers took turns; a writer that fails fails the archive.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/fake_file_writer.h"
#include "records/zip_archive.h"

namespace {

std::uint16_t u16(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

std::uint32_t u32(const std::string& bytes, std::size_t at) {
    return u16(bytes, at) | static_cast<std::uint32_t>(u16(bytes, at + 2)) << 16;
}

std::string inflated(const std::string& compressed) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
    std::string out;
    char buffer[65536];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    EXPECT_EQ(result, Z_STREAM_END) << "the stream ends where the entry does";
    EXPECT_EQ(stream.avail_in, 0U);
    inflateEnd(&stream);
    return out;
}

struct Entry {
    std::string name;
    std::string content;
};

// Reads an archive by its directory, checking each entry against its local header and
// descriptor.
std::vector<Entry> readArchive(const std::string& zip) {
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(u32(zip, end), 0x06054b50U);
    const std::uint16_t count = u16(zip, end + 10);
    std::size_t at = u32(zip, end + 16);
    EXPECT_EQ(at + u32(zip, end + 12), end) << "the directory ends where its end record begins";
    std::vector<Entry> entries;
    for (std::uint16_t i = 0; i < count; ++i) {
        EXPECT_EQ(u32(zip, at), 0x02014b50U);
        const std::uint32_t crc = u32(zip, at + 16);
        const std::uint32_t compressed = u32(zip, at + 20);
        const std::uint32_t size = u32(zip, at + 24);
        const std::uint16_t nameSize = u16(zip, at + 28);
        const std::size_t local = u32(zip, at + 42);
        Entry entry{zip.substr(at + 46, nameSize), {}};
        EXPECT_EQ(u32(zip, local), 0x04034b50U);
        EXPECT_EQ(zip.substr(local + 30, u16(zip, local + 26)), entry.name);
        const std::size_t data = local + 30 + nameSize;
        entry.content = inflated(zip.substr(data, compressed));
        EXPECT_EQ(entry.content.size(), size) << entry.name;
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()),
                        static_cast<uInt>(entry.content.size())),
                  crc)
            << entry.name;
        const std::size_t descriptor = data + compressed;
        EXPECT_EQ(u32(zip, descriptor), 0x08074b50U);
        EXPECT_EQ(zip.substr(descriptor + 4, 12), zip.substr(at + 16, 12)) << entry.name;
        entries.push_back(entry);
        at += 46 + nameSize;
    }
    return entries;
}

// `count` pieces of `size` bytes each, every piece telling its number all through.
std::vector<std::string> numberedPieces(int count, std::size_t size) {
    std::vector<std::string> pieces;
    for (int i = 0; i < count; ++i) {
        std::string piece;
        while (piece.size() < size) {
            piece += "<row r=\"" + std::to_string(i) + "\">";
        }
        pieces.push_back(piece.substr(0, size));
    }
    return pieces;
}

TEST(ZipArchive, EveryEntryReadsBackWholeAndInOrder) {
    struct Case {
        const char* label;
        std::vector<std::string> pieces;  // of the last entry, after two small ones
    };
    const Case cases[] = {
        {"an empty entry", {}},
        {"one piece", {"<sheetData/>"}},
        {"an empty piece between two", {"<a>", "", "</a>"}},
        {"pieces of a mebibyte", numberedPieces(5, std::size_t{1} << 20)},
        {"many small pieces, the helpers taking turns", numberedPieces(200, 5000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        fakes::FakeFileWriter writer;
        ASSERT_TRUE(writer.begin("book.xlsx"));
        records::ZipArchive zip(writer);
        ASSERT_TRUE(zip.add("[Content_Types].xml", "<Types/>"));
        ASSERT_TRUE(zip.add("xl/styles.xml", std::string(3000, 's')));
        ASSERT_TRUE(zip.begin("xl/worksheets/sheet1.xml"));
        std::string whole;
        for (std::string piece : c.pieces) {
            whole += piece;
            ASSERT_TRUE(zip.write(piece));
        }
        ASSERT_TRUE(zip.end() && zip.close());
        ASSERT_TRUE(writer.finish());

        const std::vector<Entry> entries = readArchive(writer.files.at("book.xlsx"));
        ASSERT_EQ(entries.size(), 3U);
        EXPECT_EQ(entries[0].name, "[Content_Types].xml");
        EXPECT_EQ(entries[0].content, "<Types/>");
        EXPECT_EQ(entries[1].content, std::string(3000, 's'));
        EXPECT_EQ(entries[2].name, "xl/worksheets/sheet1.xml");
        EXPECT_TRUE(entries[2].content == whole) << "the last entry differs";
    }
}

TEST(ZipArchive, AWriterThatFailsFailsTheArchive) {
    fakes::FakeFileWriter writer;
    ASSERT_TRUE(writer.begin("book.xlsx"));
    records::ZipArchive zip(writer);
    ASSERT_TRUE(zip.add("first.xml", "<a/>"));
    writer.failing = true;
    EXPECT_FALSE(zip.add("second.xml", "<b/>"));

    // The writer fails while pieces are being compressed, or once they all were taken.
    for (const bool whileWriting : {true, false}) {
        fakes::FakeFileWriter late;
        ASSERT_TRUE(late.begin("book.xlsx"));
        records::ZipArchive dropped(late);
        ASSERT_TRUE(dropped.begin("sheet.xml"));
        late.failing = whileWriting;
        bool written = true;
        for (std::string& piece : numberedPieces(20, 100000)) {
            written = written && dropped.write(piece);
        }
        late.failing = true;
        EXPECT_FALSE(written && dropped.end()) << "the pieces' output could not be written";
        // The archive, its helpers perhaps still holding pieces, is dropped here.
    }
}

}  // namespace
