// Any bytes, cut into up to three pieces at places the input chooses, deflate into one stream
// that zlib inflates back to exactly those bytes.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "records/fast_deflate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t first = data[0] * bytes.size() / 256;
    const std::size_t second = first + data[1] * (bytes.size() - first) / 256;
    records::FastDeflate deflate;
    std::string compressed;
    deflate.compress(bytes.substr(0, first), false, compressed);
    deflate.compress(bytes.substr(first, second - first), false, compressed);
    deflate.compress(bytes.substr(second), true, compressed);

    z_stream stream{};
    require(inflateInit2(&stream, -15) == Z_OK);
    std::string back(bytes.size() + 1, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(back.data());
    stream.avail_out = static_cast<uInt>(back.size());
    require(inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_in == 0);
    back.resize(stream.total_out);
    inflateEnd(&stream);
    require(back == bytes);
    return 0;
}
