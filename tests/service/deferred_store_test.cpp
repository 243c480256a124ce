// The records store opened at its first use: nothing is opened before, whichever use comes first
// opens it once, and every use after it reaches the opened store.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "fakes/fake_store.h"
#include "service/deferred_store.h"

namespace {

using service::DeferredStore;

struct FirstUse {
    const char* name;
    // Uses the store; what the use saw, for the opened store's answer to be checked.
    std::function<std::string(DeferredStore&)> use;
    const char* seen;
};

void PrintTo(const FirstUse& use, std::ostream* os) {
    *os << use.name;
}

records::MeasurementRecord record(std::uint8_t station) {
    records::MeasurementRecord r;
    r.station = station;
    r.date = "2026-12-08/9:13";
    return r;
}

const FirstUse kFirstUses[] = {
    {"append", [](DeferredStore& s) { return std::to_string(s.append(record(5))); }, "1"},
    {"newest",
     [](DeferredStore& s) {
         const auto newest = s.newest({}, 10);
         return newest ? std::to_string(newest->size()) + " " + newest->back().fields[0] : "none";
     },
     "1 3"},
    {"count", [](DeferredStore& s) { return std::to_string(s.count({}).value_or(-1)); }, "1"},
    {"walk",
     [](DeferredStore& s) {
         std::string stations;
         const bool walked = s.walk({}, [&](std::int64_t, const records::RecordView& fields) {
             stations += std::string(fields[0]);
             return true;
         });
         return std::to_string(walked) + " " + stations;
     },
     "1 3"},
    {"clear", [](DeferredStore& s) { return std::to_string(s.clear()); }, "1"},
    {"health", [](DeferredStore& s) { return s.health().detail; }, "opened"},
    {"notice", [](DeferredStore& s) { return s.notice() + " / " + s.noticeEnglish(); },
     "已创建记录文件 kvt97.mdb / created kvt97.mdb"},
};

class DeferredStoreFirstUse : public testing::TestWithParam<FirstUse> {};

TEST_P(DeferredStoreFirstUse, OpensTheStoreOnceAndPassesTheUseOn) {
    int opened = 0;
    fakes::FakeStore* inner = nullptr;
    DeferredStore store([&] {
        ++opened;
        auto fake = std::make_unique<fakes::FakeStore>();
        fake->records.push_back(fakes::FakeStore::stored(1, record(3)));
        fake->health_.detail = "opened";
        inner = fake.get();
        return service::OpenedStore{std::move(fake), "已创建记录文件 kvt97.mdb",
                                    "created kvt97.mdb"};
    });
    EXPECT_EQ(opened, 0);

    EXPECT_EQ(GetParam().use(store), GetParam().seen);
    EXPECT_EQ(opened, 1);

    // A later use reaches the same store and opens nothing more.
    ASSERT_NE(inner, nullptr);
    ASSERT_TRUE(store.append(record(7)));
    EXPECT_EQ(inner->appended.back().station, 7);
    EXPECT_EQ(store.notice(), "已创建记录文件 kvt97.mdb");
    EXPECT_EQ(opened, 1);
}

INSTANTIATE_TEST_SUITE_P(Uses, DeferredStoreFirstUse, testing::ValuesIn(kFirstUses),
                         [](const testing::TestParamInfo<FirstUse>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
