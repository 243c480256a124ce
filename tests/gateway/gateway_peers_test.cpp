// The gateway of the polling program against clients and a broker nobody here wrote: mbpoll,
// libmodbus, mosquitto and its tools. Each test skips, saying why, when its peer is missing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "gateway/peer_run.h"

#ifndef TUSKO_NO_LIBMODBUS
#include <modbus.h>
#endif

namespace gatewaytest {
namespace {

int bcd(std::uint8_t byte) {
    return (byte >> 4) * 10 + (byte & 0x0F);
}

// What the main window shows for a flow reply (command 0), and for a total (commands 4, 5).
double sentFlow(const std::vector<std::uint8_t>& frame) {
    const double n = bcd(frame[4]) * 10000.0 + bcd(frame[3]) * 100.0 + bcd(frame[2]);
    const double value = n * std::pow(10.0, frame[5] - 5);
    return (frame[7] & 1) != 0 ? -value : value;
}
double sentTotal(const std::vector<std::uint8_t>& frame) {
    double n = 0;
    for (int at = 6; at >= 2; --at) {
        n = n * 100 + bcd(frame[at]);
    }
    const int decimals = frame[7] < 16 ? 3 - frame[7] % 4 : 0;
    return decimals == 0 ? n : n / std::pow(10.0, decimals);
}

// The replies the program may hold when it is read between t0 and t1: the last one sent before
// t0 (and the one before it, still on its way), and any sent up to t1.
std::vector<std::vector<std::uint8_t>> heldBetween(const std::vector<Reply>& replies,
                                                   std::int64_t t0, std::int64_t t1) {
    std::size_t first = 0;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        if (replies[i].first <= t0 && i > 0) {
            first = i - 1;
        }
    }
    std::vector<std::vector<std::uint8_t>> held;
    for (std::size_t i = first; i < replies.size() && replies[i].first <= t1; ++i) {
        held.push_back(replies[i].second);
    }
    return held;
}

// The values of mbpoll's "[n]: value" lines for `count` registers of `unit` from `reference`.
std::vector<std::string> mbpoll(int port, int unit, const char* type, int reference, int count) {
    std::istringstream lines(
        PeerRun::run(QStringLiteral("mbpoll"),
                     {"-m", "tcp", "-p", QString::number(port), "-a", QString::number(unit), "-t",
                      type, "-B", "-r", QString::number(reference), "-c", QString::number(count),
                      "-1", "-o", "5", "127.0.0.1"}));
    std::vector<std::string> values;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] == '[' && line.find("]:") != std::string::npos) {
            std::istringstream value(line.substr(line.find("]:") + 2));
            values.emplace_back();
            value >> values.back();
        }
    }
    return values;
}

TEST(ModbusGatewayPeers, MbpollReadsFlowTotalsAndStateOfStationsAsTheSimulatorSentThem) {
    if (!installed("mbpoll")) {
        GTEST_SKIP() << "mbpoll is not installed (scripts/install-deps.sh installs it)";
    }
    PeerRun run;
    const int port = freePort();
    ASSERT_TRUE(run.startSimulator("1-4,16"));
    run.write("gateway.conf", "modbus_listen=127.0.0.1:" + std::to_string(port) + "\n");
    run.startProgram();
    ASSERT_TRUE(run.waitForSaid("Modbus TCP on 127.0.0.1:" + std::to_string(port))) << run.said();
    for (const int station : {3, 16}) {
        QElapsedTimer waited;
        waited.start();
        std::vector<std::string> words;
        std::vector<std::string> flow;
        std::int64_t t0 = 0;
        std::int64_t t1 = 0;
        while ((words.size() != 28 || flow.size() != 1) && waited.elapsed() < kDeadlineMs) {
            t0 = monotonicUs();
            flow = mbpoll(port, station, "3:float", 1, 1);
            words = mbpoll(port, station, "4:hex", 1, 28);
            t1 = monotonicUs();
        }
        ASSERT_EQ(words.size(), 28U) << "station " << station << " never served";
        ASSERT_EQ(flow.size(), 1U);
        std::vector<std::uint16_t> registers;
        for (const std::string& word : words) {
            registers.push_back(static_cast<std::uint16_t>(std::stoul(word, nullptr, 16)));
        }
        const auto heldFlows = heldBetween(run.replies(station, 0), t0, t1);
        const double shownFlow = std::stod(flow[0]);
        EXPECT_TRUE(std::any_of(heldFlows.begin(), heldFlows.end(),
                                [&](const auto& frame) {
                                    return std::fabs(sentFlow(frame) - shownFlow) <=
                                           1e-5 * std::max(1.0, shownFlow);
                                }))
            << "station " << station << " flow " << flow[0];
        for (const int command : {4, 5}) {
            std::uint64_t bits = 0;
            for (int i = 0; i < 4; ++i) {
                bits = bits << 16 | registers[(command == 4 ? 10 : 15) + i];
            }
            double total = 0;
            std::memcpy(&total, &bits, sizeof total);
            const auto held = heldBetween(run.replies(station, command), t0, t1);
            EXPECT_TRUE(std::any_of(held.begin(), held.end(),
                                    [&](const auto& frame) {
                                        return sentTotal(frame) == total &&
                                               registers[command == 4 ? 14 : 19] == frame[7];
                                    }))
                << "station " << station << " command " << command << " total " << total;
        }
        EXPECT_LT(registers[26], 30) << "seconds since the last reply of station " << station;
        EXPECT_EQ(registers[27], 0) << "station " << station << " answers";
    }
}

// A mosquitto broker of the test's own on a loopback port, with one user.
class Broker {
  public:
    Broker(const PeerRun& run, int port) : port_(port) {
        const std::string passwords = run.path("passwords");
        PeerRun::run(QStringLiteral("mosquitto_passwd"),
                     {"-b", "-c", QString::fromStdString(passwords), "tusko", "secret"});
        run.write("mosquitto.conf", "listener " + std::to_string(port) +
                                        " 127.0.0.1\nallow_anonymous false\npassword_file " +
                                        passwords + "\npersistence false\nuser root\n");
        config_ = QString::fromStdString(run.path("mosquitto.conf"));
    }
    ~Broker() { stop(); }

    // True once it takes connections.
    bool start() {
        broker_.start(QStringLiteral("mosquitto"), {"-c", config_});
        QElapsedTimer waited;
        waited.start();
        while (broker_.state() != QProcess::NotRunning && waited.elapsed() < kDeadlineMs) {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port_));
            if (probe.waitForConnected(1000)) {
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }
    void stop() {
        if (broker_.state() != QProcess::NotRunning) {
            broker_.kill();
            broker_.waitForFinished(10000);
        }
    }
    // The retained message of `topic`, waiting for it as long as the deadline allows.
    std::string retained(const std::string& topic) const {
        return PeerRun::run(QStringLiteral("mosquitto_sub"),
                            {"-h", "127.0.0.1", "-p", QString::number(port_), "-u", "tusko", "-P",
                             "secret", "-t", QString::fromStdString(topic), "-C", "1", "-W", "60"});
    }

  private:
    int port_;
    QString config_;
    QProcess broker_;
};

TEST(MqttGatewayPeers, TheStateComesBackAfterTheBrokerRestartsAndRefusalsSayWhy) {
    for (const char* tool : {"mosquitto", "mosquitto_sub", "mosquitto_passwd"}) {
        if (!installed(tool)) {
            GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh installs it)";
        }
    }
    PeerRun run;
    const int port = freePort();
    Broker broker(run, port);
    ASSERT_TRUE(broker.start()) << "the broker did not start";
    ASSERT_TRUE(run.startSimulator("1-4,16"));
    run.write("gateway.conf", "mqtt_host=127.0.0.1\nmqtt_port=" + std::to_string(port) +
                                  "\nmqtt_user=tusko\nmqtt_password_file=pw\n"
                                  "mqtt_prefix=plant/bus1\n");
    run.write("pw", "secret\n");
    ASSERT_EQ(::chmod(run.path("pw").c_str(), 0600), 0);
    EXPECT_NE(
        run.check().find("ok       MQTT: to the broker 127.0.0.1:" + std::to_string(port) +
                         ", no TLS, user tusko, password from pw, topics under plant/bus1/\n"),
        std::string::npos)
        << run.check();
    run.startProgram();
    const std::string connected = "MQTT: connected to 127.0.0.1:" + std::to_string(port);
    ASSERT_TRUE(run.waitForSaid(connected)) << run.said();
    const std::string first = broker.retained("plant/bus1/station/3");
    for (const char* part :
         {"{\"station\":3,\"time\":\"", "\"flow\":{\"value\":", "\"state\":\"answering\""}) {
        EXPECT_NE(first.find(part), std::string::npos) << first;
    }
    EXPECT_EQ(broker.retained("plant/bus1/status"), "online\n");

    // The broker goes away and comes back without its retained messages.
    const std::int64_t lost = monotonicUs();
    broker.stop();
    ASSERT_TRUE(run.waitForSaid("MQTT: not connected to 127.0.0.1")) << run.said();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(run.waitForSaid(connected, 2)) << run.said();
    const std::int64_t back = monotonicUs();
    const std::string again = broker.retained("plant/bus1/station/3");
    EXPECT_NE(again.find("{\"station\":3,"), std::string::npos) << again;
    EXPECT_EQ(broker.retained("plant/bus1/status"), "online\n");
    std::int64_t longestGap = 0;
    std::int64_t previous = lost;
    for (const std::int64_t at : run.requestTimes()) {
        if (at > lost && at < back) {
            longestGap = std::max(longestGap, at - previous);
            previous = at;
        }
    }
    EXPECT_GT(previous, lost) << "no request while the broker was away";
    EXPECT_LT(longestGap, 2000000) << "polling paused while the broker was away";
    run.stopProgram();

    const struct {
        const char* password;
        mode_t mode;
        const char* said;
    } refusals[] = {
        {"wrong\n", 0600, "the broker refused the connection: not authorised"},
        {"secret\n", 0644, "MQTT: off: password file pw is open to group or others (chmod 600 it)"},
    };
    for (const auto& refusal : refusals) {
        run.write("pw", refusal.password);
        ASSERT_EQ(::chmod(run.path("pw").c_str(), refusal.mode), 0);
        const bool refusedByCheck = refusal.mode != 0600;
        EXPECT_EQ(run.check().find("problem  MQTT: nothing is published: password file pw") !=
                      std::string::npos,
                  refusedByCheck)
            << run.check();
        run.startProgram();
        EXPECT_TRUE(run.waitForSaid(refusal.said)) << run.said();
        run.stopProgram();
    }
}

TEST(ModbusGatewayPeers, LibmodbusClientsGetExceptionsAndReadTogether) {
#ifdef TUSKO_NO_LIBMODBUS
    GTEST_SKIP() << "built without libmodbus (scripts/install-deps.sh installs libmodbus-dev)";
#else
    PeerRun run;
    const int port = freePort();
    ASSERT_TRUE(run.startSimulator("1-4,16"));
    run.write("gateway.conf", "modbus_listen=127.0.0.1:" + std::to_string(port) + "\n");
    run.startProgram();
    ASSERT_TRUE(run.waitForSaid("Modbus TCP on")) << run.said();
    modbus_t* client = modbus_new_tcp("127.0.0.1", port);
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(modbus_connect(client), 0) << modbus_strerror(errno);
    std::uint16_t registers[28] = {};
    // Station 4 is the last of the first four polled.
    QElapsedTimer waited;
    waited.start();
    modbus_set_slave(client, 4);
    while (modbus_read_input_registers(client, 0, 28, registers) != 28 &&
           waited.elapsed() < kDeadlineMs) {
        QThread::msleep(200);
    }
    // Each request by its function code, as libmodbus makes it.
    const auto request = [client, &registers](int function, int address, int count) {
        std::uint8_t bits[8];
        switch (function) {
            case 1:
                return modbus_read_bits(client, address, count, bits);
            case 3:
                return modbus_read_registers(client, address, count, registers);
            case 4:
                return modbus_read_input_registers(client, address, count, registers);
            case 5:
                return modbus_write_bit(client, address, 1);
            case 6:
                return modbus_write_register(client, address, 1);
            default:
                return modbus_write_registers(client, address, count, registers);
        }
    };
    const struct {
        const char* what;
        int unit, function, address, count;
        int error;  // 0: success
    } cases[] = {
        {"a station that never answered", 5, 4, 0, 1, EMBXGTAR},
        {"unit 0", 0, 4, 0, 1, EMBXGPATH},
        {"unit 17", 17, 3, 0, 1, EMBXGPATH},
        {"unit 247", 247, 3, 0, 1, EMBXGPATH},
        {"beyond register 27", 4, 4, 27, 2, EMBXILADD},
        {"write a register", 4, 6, 0, 1, EMBXILFUN},
        {"write registers", 4, 16, 0, 2, EMBXILFUN},
        {"write a coil", 4, 5, 0, 1, EMBXILFUN},
        {"read coils", 4, 1, 0, 8, EMBXILFUN},
        {"holding registers", 4, 3, 0, 28, 0},
    };
    for (const auto& c : cases) {
        modbus_set_slave(client, c.unit);
        errno = 0;
        const int result = request(c.function, c.address, c.count);
        if (c.error == 0) {
            EXPECT_EQ(result, c.count) << c.what << ": " << modbus_strerror(errno);
        } else {
            EXPECT_EQ(result, -1) << c.what;
            EXPECT_EQ(errno, c.error) << c.what << ": " << modbus_strerror(errno);
        }
    }
    modbus_close(client);
    modbus_free(client);

    // Twenty clients at once, each reading the answering stations twenty times.
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    for (int n = 0; n < 20; ++n) {
        clients.emplace_back([port, &good] {
            modbus_t* own = modbus_new_tcp("127.0.0.1", port);
            if (own == nullptr || modbus_connect(own) != 0) {
                return;
            }
            modbus_set_response_timeout(own, 10, 0);
            std::uint16_t words[28];
            for (int round = 0; round < 20; ++round) {
                for (const int station : {1, 2, 3, 4}) {
                    modbus_set_slave(own, station);
                    good += modbus_read_input_registers(own, 0, 28, words) == 28 ? 1 : 0;
                }
            }
            modbus_close(own);
            modbus_free(own);
        });
    }
    for (std::thread& thread : clients) {
        thread.join();
    }
    EXPECT_EQ(good.load(), 20 * 20 * 4);
#endif
}

}  // namespace
}  // namespace gatewaytest
