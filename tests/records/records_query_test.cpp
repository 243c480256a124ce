// What the data-query window lists and reads: the newest records kept as new ones join, the
// filters of a look and of an export, and the reads on a thread of their own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "fakes/fake_store.h"
#include "records/background_reader.h"
#include "records/records_query.h"

namespace {

using records::BackgroundReader;
using records::StoredRecord;

std::vector<StoredRecord> keyed(std::int64_t first, std::int64_t last) {
    std::vector<StoredRecord> records;
    for (std::int64_t key = first; key <= last; ++key) {
        records.push_back({key, {std::to_string(key)}});
    }
    return records;
}

std::vector<std::int64_t> keysOf(const records::ListedRecords& listed) {
    std::vector<std::int64_t> keys;
    for (const StoredRecord& r : listed.records()) {
        keys.push_back(r.key);
    }
    return keys;
}

std::vector<std::int64_t> range(std::int64_t first, std::int64_t last) {
    std::vector<std::int64_t> keys;
    for (std::int64_t key = first; key <= last; ++key) {
        keys.push_back(key);
    }
    return keys;
}

TEST(ListedRecords, KeepsTheNewestThousandAsNewRecordsJoin) {
    struct Case {
        const char* what;
        std::vector<StoredRecord> listed;
        std::vector<StoredRecord> newer;
        std::vector<std::int64_t> keys;
        std::size_t left;
    };
    const std::vector<Case> cases = {
        {"none yet", {}, keyed(1, 3), range(1, 3), 0},
        {"appended at the end", keyed(1, 3), keyed(4, 5), range(1, 5), 0},
        {"nothing new", keyed(1, 3), {}, range(1, 3), 0},
        {"older and repeated keys left out", keyed(5, 7), keyed(3, 8), range(5, 8), 0},
        {"the oldest leave", keyed(1, 1000), keyed(1001, 1004), range(5, 1004), 4},
        {"more new than listed", keyed(1, 10), keyed(11, 1510), range(511, 1510), 510},
        {"gaps in the keys", keyed(1, 2), {{9, {}}, {40, {}}}, {1, 2, 9, 40}, 0},
    };
    for (const Case& c : cases) {
        records::ListedRecords listed;
        listed.replace(c.listed);
        EXPECT_EQ(listed.addNewer(c.newer), c.left) << c.what;
        EXPECT_EQ(keysOf(listed), c.keys) << c.what;
        EXPECT_EQ(listed.newestKey(), c.keys.empty() ? 0 : c.keys.back()) << c.what;
    }
    records::ListedRecords listed;
    listed.replace(keyed(1, 1500));
    EXPECT_EQ(keysOf(listed), range(501, 1500)) << "a fill lists only the newest thousand";
    listed.replace({});
    EXPECT_EQ(listed.newestKey(), 0);
}

TEST(ListedRecords, LooksAndExportsFollowTheWindowsFilter) {
    records::RecordFilter shown;
    shown.station = 4;
    shown.fromDate = "2007-10-10";
    shown.toDate = "2007-10-11";
    for (const std::int64_t newest : {std::int64_t{0}, std::int64_t{1234}}) {
        const records::RecordFilter look = records::newerThanListed(shown, newest);
        const records::RecordFilter out = records::exportedFromListed(shown, newest);
        for (const records::RecordFilter& f : {look, out}) {
            EXPECT_EQ(f.station, shown.station);
            EXPECT_EQ(f.fromDate, shown.fromDate);
            EXPECT_EQ(f.toDate, shown.toDate);
        }
        EXPECT_EQ(look.afterKey, newest);
        EXPECT_FALSE(look.upToKey.has_value());
        EXPECT_EQ(out.afterKey, 0);
        EXPECT_EQ(out.upToKey, newest) << "up to the newest listed; nothing when none is";
    }
}

// Deliveries of a reader, taken on the test's thread.
class Inbox {
  public:
    BackgroundReader::Deliver deliver() {
        return [this](BackgroundReader::Delivery delivery) {
            std::lock_guard<std::mutex> lock(mutex_);
            deliveries_.push_back(std::move(delivery));
            arrived_.notify_all();
        };
    }
    // Runs the next delivery; false when none came within a generous deadline.
    bool runNext() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::seconds(30),
                               [this] { return !deliveries_.empty(); })) {
            return false;
        }
        BackgroundReader::Delivery next = std::move(deliveries_.front());
        deliveries_.pop_front();
        lock.unlock();
        next();
        return true;
    }

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<BackgroundReader::Delivery> deliveries_;
};

// Waits for work on another thread, with a generous deadline.
template <typename Done>
bool eventually(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

BackgroundReader::Read countRead(std::vector<std::int64_t>& counts, bool failStore = false) {
    return [&counts, failStore](records::Store* store, const std::atomic<bool>&) {
        const std::int64_t n = store ? store->count({}).value_or(-1) : -2;
        return BackgroundReader::Outcome{[&counts, n] { counts.push_back(n); }, failStore};
    };
}

TEST(BackgroundReader, ReadsInOrderOnAStoreOfItsOwnMadeAgainAfterAFailure) {
    fakes::SharedFakeStore shared;
    shared.with([](fakes::FakeStore& store) { (void)store.append({}); });
    Inbox inbox;
    std::vector<std::int64_t> counts;
    const std::thread::id asking = std::this_thread::get_id();
    std::thread::id reading;
    {
        BackgroundReader reader(shared.maker(), inbox.deliver());
        reader.submit([&](records::Store*, const std::atomic<bool>&) {
            reading = std::this_thread::get_id();
            return BackgroundReader::Outcome{};
        });
        reader.submit(countRead(counts));
        reader.submit(countRead(counts, true));  // the store is made anew after this one
        reader.submit([](records::Store*, const std::atomic<bool>&) -> BackgroundReader::Outcome {
            throw std::runtime_error("a read that throws");
        });
        reader.submit(countRead(counts));
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(inbox.runNext());
        }
        EXPECT_NE(reading, asking);
        EXPECT_EQ(counts, (std::vector<std::int64_t>{1, 1, 1}));
        EXPECT_EQ(shared.made(), 3) << "made at the first read and after each failure";

        reader.submit(countRead(counts, true));
        ASSERT_TRUE(inbox.runNext());
        shared.setMaking(false);
        reader.submit(countRead(counts));
        ASSERT_TRUE(inbox.runNext());
        EXPECT_EQ(counts.back(), -2) << "a read without a store is told so";
        shared.setMaking(true);
        reader.submit(countRead(counts));
        ASSERT_TRUE(inbox.runNext());
        EXPECT_EQ(counts.back(), 1) << "and the next read finds one again";
    }
}

TEST(BackgroundReader, GoingAwayNeverWaitsForAReadThatHangs) {
    fakes::SharedFakeStore shared;
    shared.hold();
    std::atomic<int> delivered{0};
    std::atomic<bool> sawStop{false};
    {
        BackgroundReader reader(shared.maker(), [&](BackgroundReader::Delivery) { ++delivered; });
        reader.submit([&](records::Store* store, const std::atomic<bool>& stopping) {
            (void)store->count({});  // waits until the store is released
            sawStop = stopping.load();
            return BackgroundReader::Outcome{[] {}, false};
        });
        reader.submit([&](records::Store*, const std::atomic<bool>&) {
            ADD_FAILURE() << "a read queued behind is dropped";
            return BackgroundReader::Outcome{};
        });
        ASSERT_TRUE(eventually([&] { return shared.waiting() == 1; }));
    }  // the reader goes while its read hangs
    shared.release();
    // The hanging read ends on its own thread, told to stop, and its result goes nowhere.
    EXPECT_TRUE(eventually([&] { return sawStop.load(); }));
    EXPECT_EQ(delivered, 0);
}

}  // namespace
