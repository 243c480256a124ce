// Records formatted on a thread of their own reach the wrapped format whole, once each, in order
// and off the caller's thread; a refusal, an abandon or a new beginning ends the file as it would
// without the thread.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "records/background_format.h"

namespace {

const std::string kNul("a\0b", 3);

// A record's fields as one text; an empty field and a NUL byte keep their place.
std::string joined(const records::RecordView& fields) {
    std::string text;
    for (const std::string_view field : fields) {
        text.append(field).push_back('|');
    }
    return text;
}

class RecordingFormat final : public records::RecordFormat {
  public:
    bool begin(const std::string&) override { return true; }
    bool add(const records::RecordView& fields) override {
        onCaller += std::this_thread::get_id() == caller ? 1 : 0;
        added.push_back(joined(fields));
        return static_cast<int>(added.size()) != refuseAt;
    }
    bool finish() override { return ++finished > 0; }
    void abandon() override { ++abandoned; }

    std::thread::id caller = std::this_thread::get_id();
    int refuseAt = -1;  // the count of records at which add() refuses
    int onCaller = 0, finished = 0, abandoned = 0;
    std::vector<std::string> added;
};

TEST(BackgroundFormat, RecordsReachTheWrappedFormatInOrderOffTheCallersThread) {
    enum class End { Finish, Abandon, BeginAgain };
    const struct {
        int records;
        int refuseAt;
        End end;
    } cases[] = {
        {0, -1, End::Finish},      {1, -1, End::Finish},        {3 * 1024 + 5, -1, End::Finish},
        {3000, 10, End::Finish},    // refused in the first batch
        {2100, 2090, End::Finish},  // refused in the last, part batch
        {2500, -1, End::Abandon},  {3000, -1, End::BeginAgain},
    };
    RecordingFormat wrapped;
    records::BackgroundFormat format(wrapped);  // one for all: each file starts anew
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.records << " records, refused at " << c.refuseAt);
        wrapped = RecordingFormat();
        wrapped.refuseAt = c.refuseAt;
        ASSERT_TRUE(format.begin("first.xlsx"));
        bool added = true;
        for (int n = 0; n < c.records && added; ++n) {
            added = format.add({std::to_string(n), "", kNul});
        }
        // What the wrapped format was given, read once the thread has stopped.
        std::size_t reached = 0;
        bool written = false;
        if (c.end == End::Abandon || !added) {
            format.abandon();
            reached = wrapped.added.size();
        } else if (c.end == End::BeginAgain) {
            // What the thread had not formatted is dropped; the new file gets its own record.
            ASSERT_TRUE(format.begin("second.xlsx"));
            reached = wrapped.added.size();
            written = format.add({"new"}) && format.finish();
            ASSERT_EQ(wrapped.added.size(), reached + 1);
            EXPECT_EQ(wrapped.added.back(), joined({"new"}));
        } else {
            written = format.finish();
            reached = wrapped.added.size();
        }
        EXPECT_EQ(written, c.refuseAt < 0 && c.end != End::Abandon);
        EXPECT_EQ(wrapped.finished, written ? 1 : 0);
        EXPECT_EQ(wrapped.abandoned, written ? 0 : 1);
        if (c.end == End::Finish) {
            EXPECT_EQ(reached, static_cast<std::size_t>(c.refuseAt < 0 ? c.records : c.refuseAt));
        }
        for (std::size_t n = 0; n < reached; ++n) {
            ASSERT_EQ(wrapped.added[n], joined({std::to_string(n), "", kNul})) << n;
        }
        EXPECT_EQ(wrapped.onCaller, 0);
    }
}

}  // namespace
