// What the data-query window lists and reads: the newest records kept as new ones join, and the
// reads on a thread of their own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
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

TEST(BackgroundReader, ReadsInOrderOnAStoreOfItsOwnMadeAgainAfterAFailure) {
    fakes::SharedFakeStore shared;
    shared.with([](fakes::SharedFakeStore::State& s) { (void)s.store.append({}); });
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::int64_t> counts;  // what each delivered read saw: -2 for no store
    std::set<std::thread::id> threads;
    // A read that counts the records, on the reading thread, and delivers the count.
    const auto countRead = [&](bool failStore) -> BackgroundReader::Read {
        return [&, failStore](records::Store* store, const std::atomic<bool>&) {
            const std::int64_t n = store ? store->count({}).value_or(-1) : -2;
            threads.insert(std::this_thread::get_id());
            return BackgroundReader::Outcome{[&counts, n] { counts.push_back(n); }, failStore};
        };
    };
    const auto delivered = [&](std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(30), [&] { return counts.size() == n; });
    };
    const auto made = [&] { return shared.with([](auto& s) { return s.made; }); };

    BackgroundReader reader(shared.maker(), [&](BackgroundReader::Delivery delivery) {
        std::lock_guard<std::mutex> lock(mutex);
        delivery();
        arrived.notify_all();
    });
    reader.submit(countRead(false));
    reader.submit(countRead(true));  // the store is made anew for the read after this one
    reader.submit([](records::Store*, const std::atomic<bool>&) -> BackgroundReader::Outcome {
        throw std::runtime_error("a read that throws counts as a failed store");
    });
    reader.submit(countRead(true));
    ASSERT_TRUE(delivered(3));
    EXPECT_EQ(counts, (std::vector<std::int64_t>{1, 1, 1}));
    EXPECT_EQ(made(), 3) << "made at the first read and after each failure";
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);

    shared.with([](auto& s) { s.making = false; });
    reader.submit(countRead(true));
    ASSERT_TRUE(delivered(4));
    EXPECT_EQ(counts.back(), -2) << "a read without a store is told so";
    shared.with([](auto& s) { s.making = true; });
    reader.submit(countRead(false));
    ASSERT_TRUE(delivered(5));
    EXPECT_EQ(counts.back(), 1) << "and the next read finds one again";
}

}  // namespace
