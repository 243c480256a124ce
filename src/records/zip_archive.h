#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_writer.h"
#include "records/parallel_deflate.h"

namespace records {

// A ZIP archive written front to back through a file writer already begun: entries one after
// the other, each compressed with deflate, its CRC and sizes in a descriptor after its data,
// then the directory. Without the 64-bit extensions, so an entry, or the archive, of 4 GiB or
// more is refused.
class ZipArchive {
  public:
    explicit ZipArchive(platform::FileWriter& writer);

    // An entry of a few bytes, written whole.
    [[nodiscard]] bool add(std::string_view name, std::string_view content);

    // An entry written piece by piece: begin, write as often as needed, end. Each piece is
    // compressed on helper threads while the next one is made.
    [[nodiscard]] bool begin(std::string_view name);
    // Takes the bytes of `piece`, leaving bytes of no meaning in it (see ParallelDeflate::add).
    [[nodiscard]] bool write(std::string& piece);
    [[nodiscard]] bool end();

    // Writes the directory; the writer is then to be finished.
    [[nodiscard]] bool close();

  private:
    struct Entry {
        std::string name;
        std::uint32_t crc = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t size = 0;
        std::uint32_t offset = 0;
    };

    [[nodiscard]] bool put(std::string_view bytes);

    platform::FileWriter& writer_;
    std::uint64_t offset_ = 0;
    std::vector<Entry> entries_;
    std::unique_ptr<ParallelDeflate> deflate_;
};

}  // namespace records
