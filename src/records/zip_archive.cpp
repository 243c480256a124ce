#include "records/zip_archive.h"

#include <algorithm>
#include <limits>
#include <thread>

namespace records {

namespace {

constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kDescriptor = 0x08074b50;
constexpr std::uint32_t kDirectoryHeader = 0x02014b50;
constexpr std::uint32_t kDirectoryEnd = 0x06054b50;
constexpr std::uint16_t kVersion = 20;             // 2.0: deflate
constexpr std::uint16_t kSizesAfterData = 0x0008;  // CRC and sizes follow the data
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kDosTime = 0;             // 00:00:00
constexpr std::uint16_t kDosDate = (1 << 5) | 1;  // 1980-01-01, the earliest a ZIP can say
constexpr std::uint64_t kLargest = std::numeric_limits<std::uint32_t>::max();
constexpr unsigned kMostHelpers = 4;

// Little-endian fields, as every number in a ZIP file is.
class Fields {
  public:
    Fields& u16(std::uint16_t value) {
        bytes_ += static_cast<char>(value & 0xff);
        bytes_ += static_cast<char>(value >> 8);
        return *this;
    }
    Fields& u32(std::uint32_t value) {
        return u16(static_cast<std::uint16_t>(value & 0xffff))
            .u16(static_cast<std::uint16_t>(value >> 16));
    }
    Fields& text(std::string_view text) {
        bytes_ += text;
        return *this;
    }
    [[nodiscard]] const std::string& bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

unsigned helperThreads() {
    return std::clamp(std::thread::hardware_concurrency(), 1U, kMostHelpers);
}

}  // namespace

ZipArchive::ZipArchive(platform::FileWriter& writer) : writer_(writer) {}

bool ZipArchive::add(std::string_view name, std::string_view content) {
    std::string piece(content);
    return begin(name) && write(piece) && end();
}

bool ZipArchive::begin(std::string_view name) {
    if (deflate_ || entries_.size() == std::numeric_limits<std::uint16_t>::max() ||
        offset_ > kLargest) {
        return false;
    }
    Entry entry;
    entry.name = name;
    entry.offset = static_cast<std::uint32_t>(offset_);
    entries_.push_back(entry);
    Fields header;
    header.u32(kLocalHeader).u16(kVersion).u16(kSizesAfterData).u16(kDeflated);
    header.u16(kDosTime).u16(kDosDate).u32(0).u32(0).u32(0);
    header.u16(static_cast<std::uint16_t>(name.size())).u16(0).text(name);
    deflate_ = std::make_unique<ParallelDeflate>(
        [this](std::string_view compressed) { return put(compressed); }, helperThreads());
    return put(header.bytes());
}

bool ZipArchive::write(std::string& piece) {
    return deflate_ && deflate_->add(piece);
}

bool ZipArchive::end() {
    if (!deflate_ || !deflate_->finish() || deflate_->size() > kLargest ||
        deflate_->compressedSize() > kLargest) {
        return false;
    }
    Entry& entry = entries_.back();
    entry.crc = deflate_->crc();
    entry.compressedSize = static_cast<std::uint32_t>(deflate_->compressedSize());
    entry.size = static_cast<std::uint32_t>(deflate_->size());
    deflate_.reset();
    Fields descriptor;
    descriptor.u32(kDescriptor).u32(entry.crc).u32(entry.compressedSize).u32(entry.size);
    return put(descriptor.bytes());
}

bool ZipArchive::close() {
    if (deflate_) {
        return false;
    }
    const std::uint64_t directoryStart = offset_;
    Fields directory;
    for (const Entry& entry : entries_) {
        directory.u32(kDirectoryHeader).u16(kVersion).u16(kVersion).u16(kSizesAfterData);
        directory.u16(kDeflated).u16(kDosTime).u16(kDosDate);
        directory.u32(entry.crc).u32(entry.compressedSize).u32(entry.size);
        directory.u16(static_cast<std::uint16_t>(entry.name.size())).u16(0).u16(0);
        directory.u16(0).u16(0).u32(0).u32(entry.offset).text(entry.name);
    }
    const std::uint64_t directorySize = directory.bytes().size();
    if (directoryStart + directorySize > kLargest) {
        return false;
    }
    const auto count = static_cast<std::uint16_t>(entries_.size());
    directory.u32(kDirectoryEnd).u16(0).u16(0).u16(count).u16(count);
    directory.u32(static_cast<std::uint32_t>(directorySize));
    directory.u32(static_cast<std::uint32_t>(directoryStart)).u16(0);
    return put(directory.bytes());
}

bool ZipArchive::put(std::string_view bytes) {
    offset_ += bytes.size();
    return writer_.append(bytes);
}

}  // namespace records
