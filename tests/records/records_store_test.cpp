#include "records/records_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_records_binding.h"
#include "records/records_query.h"

namespace {

using fakes::FakeRecordsBinding;

records::MeasurementRecord sampleRecord() {
    records::MeasurementRecord record;
    record.station = 3;
    record.date = "2007-10-10/9:13";
    record.diameter = "100";
    record.flow = "+1234.56m3/h";
    record.percent = "+45.6%";
    record.rangeRatio = "1:2";
    record.velocity = "+1.25";
    record.forwardTotal = "123456.78m3";
    record.reverseTotal = ".5m3";
    record.alarm = "通讯正常";
    return record;
}

std::vector<std::string> appendSteps(bool withMoveLast) {
    std::vector<std::string> steps = {"beforeFirst"};
    if (withMoveLast) {
        steps.push_back("moveLast");
    }
    steps.push_back("addNew");
    for (const std::string& name : records::kFieldNames) {
        steps.push_back("setField " + name);
    }
    steps.push_back("update");
    steps.push_back("refresh");
    return steps;
}

TEST(OpenStore, NamesTheFileAndTableAndReadsIt) {
    FakeRecordsBinding binding;
    EXPECT_TRUE(records::openStore(binding));
    EXPECT_EQ(binding.databaseName, "kvt97.mdb");
    EXPECT_EQ(binding.recordSource, "数据监测");
    EXPECT_EQ(binding.log,
              (std::vector<std::string>{"setDatabaseName", "setRecordSource", "refresh"}));
}

TEST(OpenStore, ReportsFailureButStillRunsEveryStep) {
    for (const std::string failing : {"setDatabaseName", "setRecordSource", "refresh"}) {
        FakeRecordsBinding binding;
        binding.failing = {failing};
        EXPECT_FALSE(records::openStore(binding)) << failing;
        EXPECT_EQ(binding.log.size(), 3u) << failing;
    }
}

TEST(AppendRecord, WritesTheTenFieldsInOrderAfterMovingToTheLastRow) {
    FakeRecordsBinding binding;
    binding.addSampleRows(2);
    ASSERT_TRUE(binding.refresh());
    binding.position = 0;
    binding.log.clear();

    records::appendRecord(binding, sampleRecord());

    EXPECT_EQ(binding.log, appendSteps(true));
    ASSERT_EQ(binding.rows.size(), 3u);
    const FakeRecordsBinding::Row& row = binding.rows.back();
    EXPECT_EQ(std::get<std::int64_t>(row.at("仪表编号")), 3);
    const std::vector<std::string> texts = {"2007-10-10/9:13", "100",  "+1234.56m3/h",
                                            "+45.6%",          "1:2",  "+1.25",
                                            "123456.78m3",     ".5m3", "通讯正常"};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(std::get<std::string>(row.at(records::kFieldNames[i + 1])), texts[i]);
    }
    EXPECT_EQ(binding.position, 2u) << "the refresh puts the record set on the new last row";
}

TEST(AppendRecord, ToAnEmptyTableSkipsTheMoveToTheLastRow) {
    FakeRecordsBinding binding;
    ASSERT_TRUE(binding.refresh());
    binding.log.clear();

    records::appendRecord(binding, sampleRecord());

    EXPECT_EQ(binding.log, appendSteps(false));
    EXPECT_EQ(binding.rows.size(), 1u);
}

TEST(AppendRecord, SkipsEachFailingStepAndGoesOn) {
    struct Case {
        std::string failing;
        bool rowStored;
        std::string missingField;  // a field the stored row lacks
    };
    const std::vector<Case> cases = {
        {"beforeFirst", true, ""},       {"moveLast", true, ""},
        {"addNew", false, ""},           {"setField 仪表编号", true, "仪表编号"},
        {"setField 日期", true, "日期"}, {"setField 报警状态", true, "报警状态"},
        {"update", false, ""},           {"refresh", true, ""},
    };
    for (const Case& c : cases) {
        FakeRecordsBinding binding;
        binding.addSampleRows(1);
        ASSERT_TRUE(binding.refresh());
        binding.log.clear();
        binding.failing = {c.failing};

        records::appendRecord(binding, sampleRecord());

        // A failed before-first test leaves the position unknown, so the move is not made.
        EXPECT_EQ(binding.log, appendSteps(c.failing != "beforeFirst")) << c.failing;
        ASSERT_EQ(binding.rows.size(), c.rowStored ? 2u : 1u) << c.failing;
        if (c.rowStored) {
            const FakeRecordsBinding::Row& row = binding.rows.back();
            EXPECT_EQ(row.size(), c.missingField.empty() ? 10u : 9u) << c.failing;
            EXPECT_EQ(row.count(c.missingField), 0u) << c.failing;
        }
    }
}

TEST(AppendRecord, WithTheStoreMissingStoresNothingAndTriesEveryStep) {
    FakeRecordsBinding binding;
    binding.storePresent = false;

    records::appendRecord(binding, sampleRecord());

    EXPECT_TRUE(binding.rows.empty());
    EXPECT_EQ(binding.log, appendSteps(false));
}

TEST(NewestRecords, AsksOnceForTheNewestThousand) {
    FakeRecordsBinding binding;
    binding.addSampleRows(1500);
    ASSERT_TRUE(binding.refresh());
    binding.log.clear();

    const auto rows = records::newestRecords(binding);

    ASSERT_EQ(rows.size(), 1000u);
    EXPECT_EQ(rows.front()[0], "501");
    EXPECT_EQ(rows.back()[0], "1500");
    EXPECT_EQ(rows.back()[9], "报警状态1500");
    EXPECT_EQ(binding.log, (std::vector<std::string>{"newestRows"}));
}

TEST(NewestRecords, IsEmptyWhenTheRecordSetCannotBeRead) {
    FakeRecordsBinding binding;
    binding.addSampleRows(3);
    binding.failing = {"newestRows"};
    EXPECT_TRUE(records::newestRecords(binding).empty());
}

TEST(ClearRecords, DeletesAllAtOnceThenRefreshes) {
    FakeRecordsBinding binding;
    binding.addSampleRows(5);
    ASSERT_TRUE(binding.refresh());
    binding.log.clear();

    records::clearRecords(binding);

    EXPECT_TRUE(binding.rows.empty());
    EXPECT_EQ(binding.log, (std::vector<std::string>{"deleteAll", "refresh"}));
}

TEST(ClearRecords, StillRefreshesWhenTheDeleteFails) {
    FakeRecordsBinding binding;
    binding.addSampleRows(5);
    binding.failing = {"deleteAll"};

    records::clearRecords(binding);

    EXPECT_EQ(binding.rows.size(), 5u);
    EXPECT_EQ(binding.calls("refresh"), 1u);
}

}  // namespace
