#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fake_mqtt_connection.h"
#include "gateway/gateway_feed.h"
#include "gateway/gateway_settings.h"
#include "gateway/modbus_request.h"
#include "gateway/mqtt_publisher.h"
#include "gateway/station_json.h"
#include "measurement/frame_builder.h"
#include "measurement/reply_pipeline.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::MqttConnection;

// Station 3 after one reply of each kind: flow -1234.56 m3/h, velocity +1.25 with the cut-off
// disabled, -45.6 % at range ratio 1:4 with the lower alarm disabled, 12.3 kOhm, forward
// 123456.78 m3, reverse .5 m3, empty pipe and upper alarm, DN100, 3 power failures 10 h 5 min.
measurement::StationState stationThree() {
    const std::vector<Bytes> replies = {
        measurement_test::replyBlock(3, 0, 0x56, 0x34, 0x12, 3, 2, 1),
        measurement_test::replyBlock(3, 1, 0x50, 0x12, 0x00, 1, 3, 0),
        measurement_test::replyBlock(3, 2, 0x56, 0x04, 2, 0, 1, 1),
        measurement_test::replyBlock(3, 3, 0x23, 0x01, 0, 0, 0, 0),
        measurement_test::replyBlock(3, 4, 0x78, 0x56, 0x34, 0x12, 0x00, 5),
        measurement_test::replyBlock(3, 5, 0x05, 0, 0, 0, 0, 6),
        measurement_test::replyBlock(3, 6, 0x18, 0, 0, 0, 0, 0),
        measurement_test::replyBlock(3, 7, 12, 0, 0, 0, 0, 0),
        measurement_test::replyBlock(3, 8, 3, 0, 10, 0, 5, 0),
    };
    measurement::ReplyPipeline pipeline;
    for (std::uint8_t command = 0; command < replies.size(); ++command) {
        (void)pipeline.requestSent(3);
        EXPECT_EQ(pipeline.receive(replies[command], 3, command, "10:00:00", 0).check,
                  measurement::FrameCheck::Valid);
    }
    return *pipeline.memory.find(3);
}

Bytes request(std::uint8_t unit, std::uint8_t function, std::uint16_t address,
              std::uint16_t count) {
    const auto high = [](std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); };
    const auto low = [](std::uint16_t word) { return static_cast<std::uint8_t>(word); };
    return {0x12,          0x34,         0,           0,         0, 6, unit, function,
            high(address), low(address), high(count), low(count)};
}

Bytes answer(const Bytes& bytes, const gateway::StationRegisters& registers) {
    const gateway::ReadResult read = gateway::readRequest(bytes.data(), bytes.size());
    EXPECT_EQ(read.status, gateway::RequestRead::Complete);
    return gateway::answerRequest(read.request, registers);
}

TEST(GatewaySettings, ReadsEachKeyAndRefusesWhatItDoesNotUnderstand) {
    struct Case {
        const char* text;
        const char* modbus;  // nullptr: off
        const char* mqtt;    // "host:port user file cafile prefix", nullptr: off
        const char* problem;
    };
    const Case cases[] = {
        {"", nullptr, nullptr, ""},
        {"# plant\n\nmodbus_listen = on \r\n", "127.0.0.1:1502", nullptr, ""},
        {"modbus_listen=off", nullptr, nullptr, ""},
        {"modbus_listen=0.0.0.0:502", "0.0.0.0:502", nullptr, ""},
        {"modbus_listen=:1503", "127.0.0.1:1503", nullptr, ""},
        {"modbus_listen=10.1.2.3", "10.1.2.3:1502", nullptr, ""},
        {"modbus_listen=[::1]:1504", "[::1]:1504", nullptr, ""},
        {"modbus_listen=localhost:1502", nullptr, nullptr, "line 1: modbus_listen must be"},
        {"modbus_listen=1.2.3.256:1502", nullptr, nullptr, "line 1: modbus_listen must be"},
        {"modbus_listen=1.2.3.4:70000", nullptr, nullptr, "the port must be a number"},
        {"modbus_listen=[::1:1502", nullptr, nullptr, "\"]\" missing"},
        {"mqtt_host=broker", nullptr, "broker:1883    ", ""},
        {"mqtt_host=b\nmqtt_port=8883\nmqtt_user=u\nmqtt_password_file=pw\nmqtt_cafile=ca.pem\n"
         "mqtt_prefix=plant/hall2",
         nullptr, "b:8883 u pw ca.pem plant/hall2", ""},
        {"mqtt_port=1884", nullptr, nullptr, "mqtt_host is required"},
        {"mqtt_host=b\nmqtt_password_file=pw", nullptr, nullptr, "needs mqtt_user"},
        {"mqtt_host=b\nmqtt_prefix=plant/#", nullptr, nullptr, "line 2: mqtt_prefix may not"},
        {"mqtt_host=b\nmqtt_host=c", nullptr, nullptr, "line 2: \"mqtt_host\" given twice"},
        {"modbus=on", nullptr, nullptr, "line 1: unknown key \"modbus\""},
        {"modbus_listen", nullptr, nullptr, "line 1: not key=value"},
    };
    for (const Case& c : cases) {
        const gateway::CheckedSettings read = gateway::parseGatewaySettings(c.text);
        if (*c.problem != '\0') {
            EXPECT_FALSE(read.value) << c.text;
            EXPECT_NE(read.problem.find(c.problem), std::string::npos)
                << c.text << ": " << read.problem;
            continue;
        }
        ASSERT_TRUE(read.value) << c.text << ": " << read.problem;
        EXPECT_EQ(read.value->modbus ? read.value->modbus->text() : "off",
                  c.modbus ? c.modbus : "off")
            << c.text;
        const auto& mqtt = read.value->mqtt;
        EXPECT_EQ(mqtt ? mqtt->host + ":" + std::to_string(mqtt->port) + " " + mqtt->user + " " +
                             mqtt->passwordFile + " " + mqtt->cafile + " " + mqtt->prefix
                       : "off",
                  c.mqtt ? c.mqtt : "off")
            << c.text;
    }
    const gateway::MqttSettings unset;
    EXPECT_EQ(gateway::topicPrefix(unset, "hall/2+", "COM1"), "tuskocp/hall_2_");
    EXPECT_EQ(gateway::topicPrefix(unset, "", "COM1"), "tuskocp/COM1");
}

// Requests as a client may send them; the reader must never take more than one request, nor wait
// for bytes that cannot make one.
TEST(ModbusRequest, ReadsWholeRequestsOnlyAndRefusesWhatIsNotModbusTcp) {
    struct Case {
        const char* what;
        Bytes bytes;
        gateway::RequestRead status;
        std::size_t length;
    };
    const Bytes read = request(3, 4, 0, 2);
    Bytes two = read;
    two.insert(two.end(), read.begin(), read.end());
    const Case cases[] = {
        {"nothing", {}, gateway::RequestRead::Incomplete, 0},
        {"three header bytes", {0, 1, 0}, gateway::RequestRead::Incomplete, 0},
        {"a header without its PDU", Bytes(read.begin(), read.begin() + 8),
         gateway::RequestRead::Incomplete, 0},
        {"a request", read, gateway::RequestRead::Complete, 12},
        {"two requests at once", two, gateway::RequestRead::Complete, 12},
        {"protocol 1", {0, 1, 0, 1, 0, 6, 3, 4, 0, 0, 0, 1}, gateway::RequestRead::Malformed, 0},
        {"protocol 1, four bytes", {0, 1, 0, 1}, gateway::RequestRead::Malformed, 0},
        {"length 0", {0, 1, 0, 0, 0, 0, 3}, gateway::RequestRead::Malformed, 0},
        {"length 1: no function", {0, 1, 0, 0, 0, 1, 3}, gateway::RequestRead::Malformed, 0},
        {"length 255", {0, 1, 0, 0, 0, 255, 3}, gateway::RequestRead::Malformed, 0},
        {"text", {'G', 'E', 'T', ' ', '/', ' '}, gateway::RequestRead::Malformed, 0},
    };
    for (const Case& c : cases) {
        const gateway::ReadResult result = gateway::readRequest(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.length, c.length) << c.what;
    }
}

TEST(ModbusRequest, AnswersReadsOfStationsWithValuesAndExceptionsForEverythingElse) {
    gateway::RegisterBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<std::uint16_t>(0x0100 * i + i);
    }
    const gateway::StationRegisters registers =
        [&block](std::uint8_t station) -> std::optional<gateway::RegisterBlock> {
        return station == 3 ? std::optional(block) : std::nullopt;
    };
    struct Case {
        Bytes request;
        int exception;  // 0: the registers
    };
    Bytes longRead = request(3, 3, 0, 1);
    longRead[5] = 7;
    longRead.push_back(0);
    const Case cases[] = {
        {request(0, 3, 0, 1), 0x0A},
        {request(17, 4, 0, 1), 0x0A},
        {request(247, 4, 0, 1), 0x0A},
        {request(255, 4, 0, 1), 0x0A},
        {request(3, 6, 0, 1), 0x01},
        {request(3, 16, 0, 1), 0x01},
        {request(3, 5, 0, 1), 0x01},
        {request(3, 1, 0, 1), 0x01},
        {request(3, 4, 27, 2), 0x02},
        {request(3, 3, 28, 1), 0x02},
        {request(3, 4, 0, 0), 0x03},
        {request(3, 4, 0, 126), 0x03},
        {longRead, 0x03},
        {request(4, 4, 0, 1), 0x0B},
        {request(16, 3, 0, 28), 0x0B},
        {request(3, 4, 0, 28), 0},
        {request(3, 3, 26, 2), 0},
        {request(3, 4, 5, 1), 0},
    };
    for (const Case& c : cases) {
        const Bytes got = answer(c.request, registers);
        const std::string what = "unit " + std::to_string(c.request[6]) + " function " +
                                 std::to_string(c.request[7]) + " at " +
                                 std::to_string(c.request[9]);
        ASSERT_GE(got.size(), 9U) << what;
        // The header echoes the transaction and the unit; the length counts what follows it.
        EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{0x12, 0x34, 0, 0})) << what;
        EXPECT_EQ(got[4] * 256 + got[5], static_cast<int>(got.size()) - 6) << what;
        EXPECT_EQ(got[6], c.request[6]) << what;
        if (c.exception != 0) {
            EXPECT_EQ(got.size(), 9U) << what;
            EXPECT_EQ(got[7], c.request[7] | 0x80) << what;
            EXPECT_EQ(got[8], c.exception) << what;
            continue;
        }
        const int address = c.request[9];
        const int count = c.request[11];
        Bytes expected = {c.request[7], static_cast<std::uint8_t>(2 * count)};
        for (int i = address; i < address + count; ++i) {
            expected.push_back(static_cast<std::uint8_t>(block[i] >> 8));
            expected.push_back(static_cast<std::uint8_t>(block[i]));
        }
        EXPECT_EQ(Bytes(got.begin() + 7, got.end()), expected) << what;
    }
}

TEST(RegisterMap, HoldsTheValuesAsShownHighWordFirst) {
    const gateway::RegisterBlock block = gateway::valueRegisters(stationThree());
    const std::map<std::size_t, std::uint16_t> expected = {
        {0, 0xC49A},  {1, 0x51EC},                               // -1234.56
        {2, 2},                                                  // m3/h
        {3, 0x3FA0},  {4, 0x0000},                               // +1.25
        {5, 0xC236},  {6, 0x6666},                               // -45.6
        {7, 2},                                                  // 1:4
        {8, 0x4144},  {9, 0xCCCD},                               // 12.3
        {10, 0x40FE}, {11, 0x240C}, {12, 0x7AE1}, {13, 0x47AE},  // 123456.78
        {14, 5},                                                 // m3, 2 decimals
        {15, 0x3FE0}, {16, 0},      {17, 0},      {18, 0},       // 0.5
        {19, 6},      {20, 0x18},   {21, 100},    {22, 3},
        {23, 10},     {24, 5},      {25, 0b0101},  // cut-off and lower alarm disabled
        {26, 0},      {27, 0},
    };
    for (const auto& [index, word] : expected) {
        EXPECT_EQ(block[index], word) << "register " << index;
    }
    EXPECT_EQ(gateway::ageRegister(std::nullopt, 5000), 65535);
    EXPECT_EQ(gateway::ageRegister(1000, 3999), 2);
    EXPECT_EQ(gateway::ageRegister(0, 100000000), 65534);
}

TEST(StationJson, CarriesTheValuesAsShown) {
    EXPECT_EQ(
        gateway::stationJson(3, stationThree(), gateway::StationCondition::Silent, 12,
                             "2024-05-06T07:08:09.123+08:00"),
        R"({"station":3,"time":"2024-05-06T07:08:09.123+08:00","flow":{"value":-1234.56,)"
        R"("unit":"m3/h"},"velocity":1.25,"percent":-45.6,"range_ratio":"1:4",)"
        R"("electrode_kohm":12.3,"forward":{"value":123456.78,"unit":"m3"},)"
        R"("reverse":{"value":0.5,"unit":"m3"},"diameter_mm":100,"alarms":["空管报警","上限报警"],)"
        R"("alarm_bits":24,"power_failures":{"count":3,"hours":10,"minutes":5},)"
        R"("state":"silent","age_s":12})");
}

struct FakeTime final : gateway::GatewayTime {
    std::int64_t now = 0;
    std::int64_t steadyMs() override { return now; }
    std::string isoTimeNow() override { return "T" + std::to_string(now); }
};

struct HeardMessages final : gateway::StationMessages {
    std::vector<std::pair<int, std::string>> offered;
    void offer(std::uint8_t station, std::string json) override {
        offered.emplace_back(station, std::move(json));
    }
};

// What the board serves and the broker is offered as the session's news of station 3 comes in.
TEST(GatewayFeed, ServesAStationOnceItHasEveryValueAndOffersCyclesAndChangesOfState) {
    gateway::StationBoard board;
    FakeTime time;
    HeardMessages heard;
    gateway::GatewayFeed feed(board, time, &heard);
    measurement::StationState partial = stationThree();
    partial.latest[8].reset();
    feed.stationAnswered(3, partial);
    EXPECT_FALSE(board.registers(3, 0)) << "a station without its power failures yet";
    const measurement::StationState full = stationThree();
    time.now = 10000;
    feed.stationAnswered(3, full);
    feed.stationCycleCompleted(3, full);
    struct Step {
        const char* what;
        std::function<void()> news;
        std::int64_t at;
        std::uint16_t age;
        gateway::StationCondition condition;
        std::size_t offers;
    };
    using C = gateway::StationCondition;
    const Step steps[] = {
        {"cycle", [] {}, 10000, 0, C::Answering, 1},
        {"later", [] {}, 12500, 2, C::Answering, 1},
        {"silent", [&] { feed.stationSilent(3); }, 13000, 3, C::Silent, 2},
        {"another station alone", [&] { feed.modeChosen(session::PollingMode::SingleStation, 5); },
         14000, 4, C::NotPolled, 3},
        {"every station", [&] { feed.modeChosen(session::PollingMode::AllStations, 5); }, 15000, 5,
         C::Silent, 4},
        {"back", [&] { feed.stationBack(3); }, 16000, 6, C::Answering, 5},
        {"station 3 alone", [&] { feed.modeChosen(session::PollingMode::SingleStation, 3); }, 17000,
         7, C::Answering, 5},
    };
    for (const Step& step : steps) {
        time.now = step.at;
        step.news();
        const auto served = board.registers(3, time.now);
        ASSERT_TRUE(served) << step.what;
        EXPECT_EQ((*served)[gateway::kAgeRegister], step.age) << step.what;
        EXPECT_EQ((*served)[gateway::kStateRegister], static_cast<std::uint16_t>(step.condition))
            << step.what;
        ASSERT_EQ(heard.offered.size(), step.offers) << step.what;
        const std::string& json = heard.offered.back().second;
        EXPECT_NE(json.find(std::string("\"state\":\"") + gateway::conditionName(step.condition)),
                  std::string::npos)
            << step.what << json;
    }
    EXPECT_FALSE(board.registers(4, time.now));
    EXPECT_EQ(heard.offered.front(),
              std::make_pair(3, gateway::stationJson(3, full, C::Answering, 0, "T10000")));
}

platform::MqttEndpoint broker() {
    platform::MqttEndpoint endpoint;
    endpoint.host = "broker";
    return endpoint;
}

struct PublisherTest : ::testing::Test {
    fakes::FakeMqttConnection connection;
    gateway::MqttPublisher publisher{connection, broker(), "p"};
    std::int64_t now = 0;
    std::vector<std::int64_t> attemptsAt;  // when connect() was called

    // Turns until `done` or 200 s of fake time have passed.
    void turnUntil(const std::function<bool()>& done) {
        const std::int64_t end = now + 200000;
        while (!done() && now < end) {
            now += std::max<std::int64_t>(publisher.turn(now), 10);
            if (connection.connects != static_cast<int>(attemptsAt.size())) {
                attemptsAt.push_back(now);
            }
        }
    }
    std::vector<std::string> topics() const {
        std::vector<std::string> names;
        for (const platform::MqttMessage& message : connection.published) {
            names.push_back(message.topic + "=" + message.payload);
        }
        return names;
    }
};

TEST_F(PublisherTest, TriesAgainAfterWaitsThatDoubleUpToThirtySeconds) {
    for (int i = 0; i < 7; ++i) {
        connection.attempts.push_back(
            {i % 2 == 0, MqttConnection::Link::Down, "Connection refused"});
    }
    turnUntil([&] { return publisher.status().connected; });
    std::vector<std::int64_t> waits;
    for (std::size_t i = 1; i < attemptsAt.size(); ++i) {
        waits.push_back((attemptsAt[i] - attemptsAt[i - 1] + 50) / 100 * 100);
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
    EXPECT_TRUE(publisher.status().connected);
    EXPECT_EQ(connection.wills.front().topic, "p/status");
    EXPECT_EQ(connection.wills.front().payload, "offline");
    EXPECT_TRUE(connection.wills.front().retain);
}

TEST_F(PublisherTest, PublishesEachStationAtMostOnceASecondAndAllAgainAfterAReconnect) {
    publisher.offer(3, "a");
    turnUntil([&] { return connection.published.size() == 2; });
    EXPECT_EQ(topics(), (std::vector<std::string>{"p/status=online", "p/station/3=a"}));
    EXPECT_EQ(connection.published[1].qos, 1);
    EXPECT_TRUE(connection.published[1].retain);
    const std::int64_t sent = now;
    publisher.offer(3, "b");
    publisher.offer(3, "c");
    publisher.offer(7, "x");
    turnUntil([&] { return connection.published.size() == 4; });
    EXPECT_EQ(topics()[2], "p/station/7=x");
    EXPECT_EQ(topics()[3], "p/station/3=c") << "only the latest, a second after the one before";
    EXPECT_GE(now - sent, 1000);

    connection.lose("the connection was lost");
    (void)publisher.turn(now);
    EXPECT_FALSE(publisher.status().connected);
    EXPECT_EQ(publisher.status().text, "not connected to broker:1883: the connection was lost");
    turnUntil([&] { return connection.published.size() == 7; });
    EXPECT_EQ(connection.connects, 2);
    const std::vector<std::string> all = topics();
    EXPECT_EQ(std::vector<std::string>(all.begin() + 4, all.end()),
              (std::vector<std::string>{"p/status=online", "p/station/3=c", "p/station/7=x"}));

    publisher.finish();
    EXPECT_EQ(topics().back(), "p/status=offline");
    EXPECT_EQ(connection.disconnects, 1);
}

TEST_F(PublisherTest, SaysWhyTheBrokerRefusedAndGivesUpAConnectionThatNeverAnswers) {
    connection.attempts.push_back(
        {true, MqttConnection::Link::Down, "the broker refused the connection: not authorised"});
    connection.attempts.push_back({true, MqttConnection::Link::Connecting, ""});
    (void)publisher.turn(now);
    (void)publisher.turn(now);
    EXPECT_EQ(publisher.status().text,
              "not connected to broker:1883: the broker refused the connection: not authorised");
    turnUntil([&] { return connection.connects == 3; });
    EXPECT_EQ(publisher.status().text, "not connected to broker:1883: no answer from the broker");
    EXPECT_EQ(connection.disconnects, 1);
}

}  // namespace
