// The minute's records: one of each answering station with a complete set of values, from its
// own texts, never a partial one and never a station twice in one minute, also across restarts.
#include <map>
#include <set>

#include "fakes/fake_meter_line.h"
#include "session/session_fixture.h"

namespace sessiontest {
namespace {

using Stations = std::vector<std::string>;
using Logged = std::vector<std::pair<std::string, std::string>>;  // station, "日期"

const std::set<int> kEveryStation = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

class LoggingTest : public SessionTest {
  protected:
    // `ticks` ticks, the first at `fromMs` after 10:00:00 and then one every `msPerTick`, each
    // request answered by the meters on the line.
    void run(int fromMs, int ticks, int msPerTick) {
        for (int i = 0; i < ticks; ++i) {
            clockAt((fromMs + i * msPerTick) / 1000);
            tick();
            meters->deliver();
        }
    }
    // The stations of the records of each "日期".
    std::map<std::string, Stations> stationsByMinute() const {
        std::map<std::string, Stations> minutes;
        for (const records::StoredRecord& record : store.records) {
            minutes[record.fields[1]].push_back(record.fields[0]);
        }
        return minutes;
    }
    // The records in the order they were stored.
    Logged logged() const {
        Logged records;
        for (const records::StoredRecord& record : store.records) {
            records.emplace_back(record.fields[0], record.fields[1]);
        }
        return records;
    }
    void startOn(const std::set<int>& answering, bool allStations) {
        ASSERT_TRUE(start());
        if (allStations) {
            session->pollAllStations();
        }
        meters.reset();
        meters = std::make_unique<fakes::FakeMeterLine>(port);
        meters->stations = answering;
    }
    void TearDown() override { meters.reset(); }

    std::unique_ptr<fakes::FakeMeterLine> meters;
};

std::string stamp(int minute) {
    return "2007-10-10/10:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute);
}

Stations sorted(Stations stations) {
    std::sort(stations.begin(), stations.end(), [](const std::string& a, const std::string& b) {
        return std::stoi(a) < std::stoi(b);
    });
    return stations;
}

const Stations kSixteen = {"1", "2",  "3",  "4",  "5",  "6",  "7",  "8",
                           "9", "10", "11", "12", "13", "14", "15", "16"};

// At 150 ms a tick a round over sixteen stations takes about 22 s: every station answers in every
// minute and has one record of each minute, the minute polling starts included.
TEST_F(LoggingTest, SixteenStationsGiveSixteenCompleteRecordsAMinute) {
    clockAt(20);
    startOn(kEveryStation, true);
    run(20000, 1100, 150);  // to 10:03:05
    const auto minutes = stationsByMinute();
    ASSERT_EQ(minutes.size(), 4U);
    for (int minute = 0; minute <= 3; ++minute) {
        ASSERT_EQ(minutes.count(stamp(minute)), 1U) << minute;
        EXPECT_EQ(sorted(minutes.at(stamp(minute))), kSixteen) << minute;
    }
    // Each station is stored as it completes, then the sixteen due at a new minute together.
    EXPECT_EQ(store.batches, (std::vector<std::size_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                       1, 16, 16, 16}));
    for (const records::MeasurementRecord& record : store.appended) {
        for (const std::string* field :
             {&record.diameter, &record.flow, &record.percent, &record.rangeRatio, &record.velocity,
              &record.forwardTotal, &record.reverseTotal, &record.alarm}) {
            EXPECT_FALSE(field->empty()) << int(record.station) << " " << record.date;
        }
    }
}

// Each record holds its own station's texts as the displays showed them at its replies, whatever
// station the displays showed last.
TEST_F(LoggingTest, RecordsHoldEachStationsOwnTexts) {
    clockAt(50);
    startOn({2, 9}, true);
    run(50000, 600, 150);
    ASSERT_GE(store.appended.size(), 4U);
    for (const records::MeasurementRecord& record : store.appended) {
        const int s = record.station;
        const std::string digit = std::to_string(s);
        const std::string two = s < 10 ? "0" + digit : digit;
        EXPECT_EQ(record.flow, "+1234." + two + "m3/h") << s;
        EXPECT_EQ(record.velocity, "+1." + two) << s;
        EXPECT_EQ(record.percent, "+40." + digit + "%") << s;
        EXPECT_EQ(record.rangeRatio, "1:4") << s;
        EXPECT_EQ(record.forwardTotal, "123456." + two + "m3") << s;
        EXPECT_EQ(record.reverseTotal, "." + digit + "m3") << s;
        EXPECT_EQ(record.diameter, s == 2 ? "8" : "50") << s;
        EXPECT_EQ(record.alarm, "通讯正常") << s;
    }
}

TEST_F(LoggingTest, SingleStationModeKeepsOneRecordAMinute) {
    clockAt(20);
    startOn(kEveryStation, false);
    session->pollSingleStation(3);
    run(20000, 1100, 150);
    const auto minutes = stationsByMinute();
    ASSERT_EQ(minutes.size(), 4U);
    for (const auto& [minute, stations] : minutes) {
        EXPECT_EQ(stations, Stations{"3"}) << minute;
    }
    ASSERT_EQ(heard.health.size(), 1U) << "records are stored: told once, at the first";
    EXPECT_TRUE(heard.health[0].ok());
}

// A station whose nine values have not all come since polling of it began is never logged: not
// at start, not at a minute's round, not after another station was chosen.
TEST_F(LoggingTest, PartialStationsAreNeverLogged) {
    clockAt(20);
    startOn(kEveryStation, true);
    meters->unanswered = {{5, 8}};  // station 5 never sends its power failures
    run(20000, 1100, 150);
    for (const records::MeasurementRecord& record : store.appended) {
        EXPECT_NE(record.station, 5) << record.date;
    }
    EXPECT_EQ(store.appended.size(), 4U * 15U);
}

// Polling of a station begins anew when it is chosen: values it gave before do not count, and a
// minute's round that comes before its ninth value passes it over.
TEST_F(LoggingTest, ChosenStationWaitsForNineNewValues) {
    clockAt(0);
    startOn(kEveryStation, true);
    run(0, 300, 150);  // every station complete by 10:00:22
    session->pollSingleStation(1);
    run(45000, 30, 1000);  // 10:00:45 to 10:01:14
    session->pollSingleStation(5);
    run(118000, 3, 1000);  // 10:01:58 to 10:02:00: three values of station 5
    const auto atRound = stationsByMinute();
    ASSERT_EQ(atRound.count(stamp(2)), 1U);
    EXPECT_EQ(atRound.at(stamp(2)), Stations{"1"}) << "station 5's set is not complete";
    run(121000, 6, 1000);  // its ninth value comes at 10:02:06
    EXPECT_EQ(stationsByMinute().at(stamp(2)), (Stations{"1", "5"}));
}

// A restart within a minute (another start of the program on the same store, or the line taken
// back) never logs a station in a minute that is there already.
TEST_F(LoggingTest, RestartWithinAMinuteLogsItOnce) {
    for (const bool newProgram : {true, false}) {
        renew();
        clockAt(20);
        startOn({1, 2}, true);
        run(20000, 600, 150);  // to 10:01:50
        ASSERT_EQ(sorted(stationsByMinute().at(stamp(1))), (Stations{"1", "2"}));
        meters.reset();
        if (newProgram) {
            session->stop();
            session.reset();
            make();
            ASSERT_TRUE(start());
            session->pollAllStations();
        } else {
            session->handOver();
            ASSERT_TRUE(session->takeBack());
        }
        meters = std::make_unique<fakes::FakeMeterLine>(port);
        meters->stations = {1, 2};
        run(110000, 200, 150);  // 10:01:50 to 10:02:20
        const auto minutes = stationsByMinute();
        EXPECT_EQ(sorted(minutes.at(stamp(1))), (Stations{"1", "2"})) << newProgram;
        EXPECT_EQ(sorted(minutes.at(stamp(2))), (Stations{"1", "2"})) << newProgram;
        EXPECT_EQ(store.records.size(), 3U * 2U) << newProgram;
    }
}

// On a slow line a round over sixteen stations takes longer than a minute: a station is logged in
// the minutes in which it answered, never with values from before the minute just ended.
TEST_F(LoggingTest, SlowLineLogsAStationOnlyForMinutesItAnswered) {
    clockAt(0);
    session->setLineSpeed("600");
    startOn(kEveryStation, true);
    run(0, 300, 1000);  // 10:00:00 to 10:04:59, a tick a second: a round takes 144 s
    std::map<std::string, std::set<std::string>> answered;  // minute -> stations that answered
    for (const auto& [minute, stations] : stationsByMinute()) {
        for (const std::string& station : stations) {
            const int s = std::stoi(station);
            // Station s is polled at seconds (s - 1) * 9 to (s - 1) * 9 + 8 of each 144 s round.
            bool answeredThenOrJustBefore = false;
            for (int second = 0; second < 300; ++second) {
                const int polled = second % 144 / 9 + 1;
                const int m = second / 60;
                if (polled == s && (stamp(m) == minute || stamp(m + 1) == minute)) {
                    answeredThenOrJustBefore = true;
                }
            }
            EXPECT_TRUE(answeredThenOrJustBefore) << "station " << s << " in " << minute;
            EXPECT_TRUE(answered[minute].insert(station).second) << "twice: " << station;
        }
    }
    // Station 1 answers in minutes 0, 2 and 4: its set is complete in minute 0, and the rounds of
    // minutes 1 and 3 log it.
    Stations minutesOfOne;
    for (const auto& [station, minute] : logged()) {
        if (station == "1") {
            minutesOfOne.push_back(minute);
        }
    }
    EXPECT_EQ(minutesOfOne, (Stations{stamp(0), stamp(1), stamp(3)}));
}

// With most meters silent the line may go without any reply for over a minute: a round then
// finds no station that answered in the minute just ended, and writes nothing rather than values
// from minutes before.
TEST_F(LoggingTest, SlowSparseLineNeverLogsValuesFromBeforeTheMinuteJustEnded) {
    clockAt(0);
    session->setLineSpeed("600");
    startOn({1, 16}, true);
    run(0, 300, 1000);  // station 1 answers at 10:00:00, 10:02:24, 10:04:48; station 16 at 10:02:15
    EXPECT_EQ(logged(), (Logged{{"1", stamp(0)}, {"16", stamp(2)}}))
        << "each logged once, when its set became complete";
}

// A station silent for an hour is not taken for one that answered in the same minute of the hour
// before.
TEST_F(LoggingTest, AnswersAnHourOldDoNotCount) {
    clockAt(90);
    startOn({1}, false);
    run(90000, 9, 1000);  // station 1 answers at 10:01:30 to 10:01:38
    session->pollSingleStation(2);
    meters->stations.clear();
    run(99000, 3660, 1000);  // nobody answers until 11:02:00
    meters->stations = {2};
    run(3721000, 20, 1000);
    EXPECT_EQ(logged(), (Logged{{"1", stamp(1)}, {"2", "2007-10-10/11:02"}}));
}

TEST_F(LoggingTest, BadFrameAtANewMinuteWritesNothing) {
    clockAt(20);
    startOn({1}, false);
    run(20000, 9, 1000);
    ASSERT_EQ(store.records.size(), 1U) << "complete at 10:00:28";
    clockAt(60);
    tick();
    port.arrive(reply(9, 9, {0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(store.records.size(), 1U);
    run(61000, 1, 1000);
    EXPECT_EQ(store.records.size(), 2U);
}

// The clock is read once for the minute and again for the record's time: a record written as the
// minute turns carries the new minute.
TEST_F(LoggingTest, TheRecordTimeComesFromASecondReading) {
    clockAt(20);
    startOn({1}, false);
    run(20000, 8, 1000);  // eight of the nine values
    ASSERT_TRUE(store.records.empty());
    clockAt(28);
    tick();
    // The reply's own reading, the minute's, then the record's.
    clock.laterTimes = {"10:00:59", "10:00:59", "10:01:00"};
    meters->deliver();
    EXPECT_TRUE(clock.laterTimes.empty()) << "the clock is read three times for the reply";
    ASSERT_EQ(store.records.size(), 1U);
    EXPECT_EQ(store.records[0].fields[1], stamp(1));
}

// Whatever keeps records from being stored is told after each append while it lasts, and once
// when a record is stored again; a store that cannot be used at start is told at once.
TEST_F(LoggingTest, ListenersFollowTheStoresHealth) {
    records::StoreHealth locked;
    locked.problem = records::StoreProblem::Locked;
    locked.detail = "database is locked";
    store.health_ = locked;
    clockAt(20);
    startOn({1}, false);
    ASSERT_EQ(heard.health.size(), 1U) << "told at start";
    EXPECT_EQ(heard.health[0].problem, records::StoreProblem::Locked);
    run(20000, 9 * 20, 1000);  // 10:00:20 to 10:03:19: complete at once, then three rounds
    EXPECT_EQ(store.appendCalls, 4);
    EXPECT_EQ(heard.health.size(), 5U) << "at start and after each failed append";
    store.health_ = records::StoreHealth{};
    run(200000, 60, 1000);  // the round at 10:04 stores again
    ASSERT_EQ(heard.health.size(), 6U);
    EXPECT_TRUE(heard.health.back().ok());
    run(260000, 60, 1000);
    EXPECT_EQ(heard.health.size(), 6U) << "nothing to tell while records are stored";
    EXPECT_EQ(store.records.size(), 2U);
}

}  // namespace
}  // namespace sessiontest
