// The records store is opened once, by whichever use comes first, and every use reaches it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "fakes/fake_store.h"
#include "service/deferred_store.h"

namespace {

records::MeasurementRecord record(std::uint8_t station) {
    records::MeasurementRecord r;
    r.station = station;
    r.date = "2026-12-08/9:13";
    return r;
}

TEST(DeferredStore, TheFirstUseOpensTheStoreOnceAndReachesIt) {
    using service::DeferredStore;
    const struct {
        const char* name;
        std::function<std::string(DeferredStore&)> use;  // what the use saw
        const char* seen;
    } uses[] = {
        {"append", [](DeferredStore& s) { return std::to_string(s.append(record(5))); }, "1"},
        {"newest", [](DeferredStore& s) { return s.newest({}, 9).value().back().fields[0]; }, "3"},
        {"count", [](DeferredStore& s) { return std::to_string(s.count({}).value_or(-1)); }, "1"},
        {"clear", [](DeferredStore& s) { return std::to_string(s.clear()); }, "1"},
        {"health", [](DeferredStore& s) { return s.health().detail; }, "opened"},
        {"notice", [](DeferredStore& s) { return s.notice() + "/" + s.noticeEnglish(); },
         "已创建记录文件 kvt97.mdb/created kvt97.mdb"},
    };
    for (const auto& use : uses) {
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
        EXPECT_EQ(opened, 0) << use.name;
        EXPECT_EQ(use.use(store), use.seen) << use.name;
        ASSERT_TRUE(store.append(record(7))) << use.name;
        EXPECT_EQ(inner->appended.back().station, 7) << use.name;
        EXPECT_EQ(opened, 1) << use.name;
    }
}

}  // namespace
