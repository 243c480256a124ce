// Records formatted on a thread of their own reach the wrapped format whole, once each and in
// their order; a refused record or an abandoned file ends the file as it would without the thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <thread>
#include <vector>

#include "records/background_format.h"

namespace {

using Fields = std::array<std::string, records::kFieldCount>;

Fields recordFields(int n) {
    Fields fields;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        // An empty field, and one with a NUL byte inside, keep their place and their bytes.
        fields[f] = f == 3   ? ""
                    : f == 9 ? std::string("a\0b", 3) + std::to_string(n)
                             : std::to_string(n) + "." + std::to_string(f);
    }
    return fields;
}

class RecordingFormat final : public records::RecordFormat {
  public:
    bool begin(const std::string&) override { return true; }
    bool add(const records::RecordView& view) override {
        onCaller += std::this_thread::get_id() == caller ? 1 : 0;
        added.emplace_back();
        std::copy(view.begin(), view.end(), added.back().begin());
        return static_cast<int>(added.size()) != refuseAt;
    }
    bool finish() override {
        ++finished;
        return true;
    }
    void abandon() override { ++abandoned; }

    int refuseAt = -1;  // the count of records at which add() refuses
    std::vector<Fields> added;
    std::thread::id caller = std::this_thread::get_id();
    int onCaller = 0;  // records handed over on the caller's thread
    int finished = 0;
    int abandoned = 0;
};

TEST(BackgroundFormat, RecordsReachTheWrappedFormatInOrderOnItsOwnThread) {
    struct Case {
        const char* what;
        int records;
        int refuseAt;
        bool abandon;
        bool written;
        int reached;  // records the wrapped format sees
    };
    const Case cases[] = {
        {"no record", 0, -1, false, true, 0},
        {"one record", 1, -1, false, true, 1},
        {"several batches and a part", 3 * 1024 + 5, -1, false, true, 3 * 1024 + 5},
        {"refused in the first batch", 3000, 10, false, false, 10},
        {"refused in the last, part batch", 2100, 2090, false, false, 2090},
        {"abandoned", 2500, -1, true, false, 2500},
    };
    RecordingFormat wrapped;
    records::BackgroundFormat format(wrapped);  // one for all: each file starts anew
    for (const Case& c : cases) {
        wrapped = RecordingFormat();
        wrapped.refuseAt = c.refuseAt;
        ASSERT_TRUE(format.begin("records.xlsx")) << c.what;
        bool added = true;
        for (int n = 0; n < c.records && added; ++n) {
            const Fields fields = recordFields(n);
            records::RecordView view;
            std::copy(fields.begin(), fields.end(), view.begin());
            added = format.add(view);
        }
        bool written = false;
        if (c.abandon) {
            format.abandon();
        } else {
            written = added && format.finish();
            if (!added) {
                format.abandon();
            }
        }
        EXPECT_EQ(written, c.written) << c.what;
        EXPECT_EQ(wrapped.finished, c.written ? 1 : 0) << c.what;
        EXPECT_EQ(wrapped.abandoned, c.written ? 0 : 1) << c.what;
        // An abandoned file drops what was not formatted yet.
        if (c.abandon) {
            EXPECT_LE(static_cast<int>(wrapped.added.size()), c.reached) << c.what;
        } else {
            EXPECT_EQ(static_cast<int>(wrapped.added.size()), c.reached) << c.what;
        }
        for (std::size_t n = 0; n < wrapped.added.size(); ++n) {
            ASSERT_EQ(wrapped.added[n], recordFields(static_cast<int>(n))) << c.what << " " << n;
        }
        EXPECT_EQ(wrapped.onCaller, 0) << c.what;
    }
}

// A file begun anew before its end stops the thread of the one before.
TEST(BackgroundFormat, AFileBegunAgainDropsWhatWasNotFormatted) {
    RecordingFormat wrapped;
    records::BackgroundFormat format(wrapped);
    const Fields fields = recordFields(1);
    records::RecordView view;
    std::copy(fields.begin(), fields.end(), view.begin());
    ASSERT_TRUE(format.begin("first.xlsx"));
    for (int n = 0; n < 3000; ++n) {
        ASSERT_TRUE(format.add(view));
    }
    ASSERT_TRUE(format.begin("second.xlsx"));
    const std::size_t before = wrapped.added.size();
    ASSERT_TRUE(format.add(view) && format.finish());
    EXPECT_EQ(wrapped.added.size(), before + 1);
}

}  // namespace
