// The trend's summary kept between runs of the program.
#include <array>
#include <string_view>

#include "trend/summary_bytes.h"
#include "trend/trend_cache.h"

namespace trend {

namespace {

constexpr std::string_view kMagic = "TuskoCP trend summary 1\n";
// Written as this machine holds it: read back the same only on a machine that holds numbers so.
constexpr std::uint32_t kByteOrder = 0x01020304;
constexpr std::size_t kLongestFingerprint = 4096;

}  // namespace

std::vector<std::int64_t> TrendCache::countedStations() const {
    std::vector<std::int64_t> counted;
    for (std::int64_t station = 0; station <= kMaxStation; ++station) {
        if (tally_.counts(station)) {
            counted.push_back(station);
        }
    }
    return counted;
}

std::optional<std::string> TrendCache::fingerprintOf(Key key) {
    std::string print;
    const auto read = rows_.read({key - 1, key, std::nullopt, 1}, [&print](const RowView& row) {
        print = std::to_string(row.station);
        for (const std::string_view text : {row.date, row.flow, row.total}) {
            print += '\x1f';
            print += text;
        }
    });
    if (!read || *read == 0 || print.size() > kLongestFingerprint) {
        return std::nullopt;
    }
    return print;
}

void TrendCache::keep(const std::function<bool()>& wanted) {
    if (!shelf_ || !tally_.countsAny() || lastKey_ <= 0 || bounds_.empty()) {
        return;
    }
    std::vector<std::int64_t> counted = countedStations();
    if (counted == keptStations_ && lastKey_ - keptKey_ < kKeepEvery) {
        return;
    }
    const std::optional<std::string> first = fingerprintOf(bounds_.first);
    const std::optional<std::string> last = fingerprintOf(lastKey_);
    if (!first || !last) {
        return;
    }
    bool givenUp = false;
    (void)shelf_->save([&](const ByteSink& sink) {
        const ByteSink wanting = [&](const char* data, std::size_t size) {
            givenUp = !wanted();  // the writer writes no more once a piece failed
            return !givenUp && sink(data, size);
        };
        SummaryWriter out(wanting);
        out.bytes(kMagic.data(), kMagic.size());
        out.value(kByteOrder);
        out.value(bounds_.first);
        out.value(lastKey_);
        out.text(*first);
        out.text(*last);
        tally_.writeTo(out);
        return out.finish();
    });
    // Unless given up, not tried again before the summary grows again, kept or not: a shelf that
    // cannot be written to would cost a whole writing at every answer.
    if (!givenUp) {
        keptKey_ = lastKey_;
        keptStations_ = std::move(counted);
    }
}

void TrendCache::takeKept() {
    shelfTried_ = true;
    const bool taken = shelf_->load([this](const ByteSource& source) {
        SummaryReader in(source);
        std::array<char, kMagic.size()> magic{};
        std::uint32_t order = 0;
        Key first = 0;
        Key last = 0;
        std::string firstPrint;
        std::string lastPrint;
        if (!in.bytes(magic.data(), magic.size()) ||
            std::string_view(magic.data(), magic.size()) != kMagic || !in.value(order) ||
            order != kByteOrder || !in.value(first) || !in.value(last) ||
            !in.text(firstPrint, kLongestFingerprint) || !in.text(lastPrint, kLongestFingerprint)) {
            return false;
        }
        // Records are only ever appended, or all cleared: the same first and last record mean
        // the same records between them.
        if (first != bounds_.first || last < first || last > bounds_.last ||
            fingerprintOf(first) != firstPrint || fingerprintOf(last) != lastPrint) {
            return false;
        }
        if (!tally_.readFrom(in) || !in.finish()) {
            return false;
        }
        lastKey_ = last;
        return true;
    });
    if (!taken) {
        reset();
        return;
    }
    keptKey_ = lastKey_;
    keptStations_ = countedStations();
}

}  // namespace trend
