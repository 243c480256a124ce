#pragma once

#include <cstring>
#include <string>

#include "trend/summary_shelf.h"

namespace fakes {

// A shelf in memory: `bytes` is what is kept, `kept` whether anything is; `saves` counts the
// writings that were kept.
class FakeSummaryShelf final : public trend::SummaryShelf {
  public:
    std::string bytes;
    bool kept = false;
    int saves = 0;

    bool load(const std::function<bool(const trend::ByteSource&)>& read) override {
        std::size_t at = 0;
        const trend::ByteSource source = [this, &at](char* data, std::size_t size) {
            if (bytes.size() - at < size) {
                return false;
            }
            std::memcpy(data, bytes.data() + at, size);
            at += size;
            return true;
        };
        return kept && read(source);
    }

    bool save(const std::function<bool(const trend::ByteSink&)>& write) override {
        std::string written;
        const trend::ByteSink sink = [&written](const char* data, std::size_t size) {
            written.append(data, size);
            return true;
        };
        if (!write(sink)) {
            return false;
        }
        bytes = std::move(written);
        kept = true;
        ++saves;
        return true;
    }
};

}  // namespace fakes
