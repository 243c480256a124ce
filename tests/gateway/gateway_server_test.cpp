#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

#include <functional>
#include <memory>
#include <vector>

#include "fakes/fake_mqtt_connection.h"
#include "platform/qt/gateway/gateway.h"
#include "platform/qt/gateway/qt_gateway_time.h"

namespace {

using Bytes = QByteArray;

constexpr int kPartialMs = 500;
constexpr int kIdleMs = 1500;
constexpr int kDeadlineMs = 20000;  // generous: the machine may be busy

// A read of `count` input registers from register 0 of `unit`, transaction 7.
Bytes readRequest(std::uint8_t unit, std::uint8_t count) {
    const char bytes[] = {
        0, 7, 0, 0, 0, 6, static_cast<char>(unit), 4, 0, 0, 0, static_cast<char>(count)};
    return Bytes(bytes, sizeof bytes);
}

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < kDeadlineMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return done();
}

// The gateway with its Modbus server on a free loopback port and publishing to a fake broker.
class GatewayServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::qt::GatewaySetup setup;
        setup.settings.modbus = gateway::ListenAddress{"127.0.0.1", 0};
        setup.settings.mqtt = gateway::MqttSettings{};
        setup.settings.mqtt->host = "broker";
        gateway = std::make_unique<platform::qt::Gateway>(
            setup, time,
            [this] {
                auto made = std::make_unique<fakes::FakeMqttConnection>();
                connection = made.get();
                return made;
            },
            platform::qt::ModbusServerLimits{32, kIdleMs, kPartialMs, 65536});
        ASSERT_NE(gateway->modbusPort(), 0) << gateway->status().modbus;
    }

    // Waits until the Modbus status line holds `text`.
    bool modbusSays(const char* text) {
        return waitFor([&] { return gateway->status().modbus.find(text) != std::string::npos; });
    }

    std::unique_ptr<QTcpSocket> connectClient() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QStringLiteral("127.0.0.1"), gateway->modbusPort());
        EXPECT_TRUE(socket->waitForConnected(kDeadlineMs));
        return socket;
    }

    // Sends `bytes` and reads until `expected` bytes came or the server closed the connection.
    static Bytes exchange(QTcpSocket& socket, const Bytes& bytes, int expected) {
        socket.write(bytes);
        socket.waitForBytesWritten(kDeadlineMs);
        Bytes got;
        QElapsedTimer waited;
        waited.start();
        while (got.size() < expected && socket.state() == QAbstractSocket::ConnectedState &&
               waited.elapsed() < kDeadlineMs) {
            socket.waitForReadyRead(100);
            got += socket.readAll();
        }
        return got + socket.readAll();
    }

    platform::qt::QtGatewayTime time;
    fakes::FakeMqttConnection* connection = nullptr;
    std::unique_ptr<platform::qt::Gateway> gateway;
};

TEST_F(GatewayServerTest, DropsClientsThatSendNoModbusTcpAtOnceAndStalledOnesAfterTheirTimeout) {
    const struct {
        const char* what;
        Bytes bytes;
        int answerBytes;   // the answer expected before the drop
        qint64 notBefore;  // the drop comes no earlier (ms)
    } cases[] = {
        {"text", "GET / HTTP/1.0\r\n\r\n", 0, 0},
        {"protocol 1", Bytes("\0\1\0\1\0\6\3\4\0\0\0\1", 12), 0, 0},
        {"length 0", Bytes("\0\1\0\0\0\0\3", 7), 0, 0},
        {"a request, then protocol 2", readRequest(20, 1) + Bytes("\0\1\0\2\0\6", 6), 9, 0},
        {"a truncated header", Bytes("\0\1\0", 3), 0, kPartialMs - 100},
        {"a header without its function", Bytes("\0\1\0\0\0\6\3", 7), 0, kPartialMs - 100},
        {"nothing", Bytes(), 0, kIdleMs - 100},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<QTcpSocket> socket = connectClient();
        QElapsedTimer connected;
        connected.start();
        const Bytes got = exchange(*socket, c.bytes, c.answerBytes);
        EXPECT_EQ(got.size(), c.answerBytes) << c.what;
        if (socket->state() == QAbstractSocket::ConnectedState) {
            EXPECT_TRUE(socket->waitForDisconnected(kDeadlineMs)) << c.what;
        }
        EXPECT_GE(connected.elapsed(), c.notBefore) << c.what;
    }
    EXPECT_TRUE(modbusSays(": 0 clients")) << gateway->status().modbus;
}

TEST_F(GatewayServerTest, ServesThirtyTwoClientsAtMostAndSaysHowTheBrokerConnectionIs) {
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 32; ++i) {
        clients.push_back(connectClient());
    }
    ASSERT_TRUE(modbusSays(": 32 clients connected")) << gateway->status().modbus;
    const std::unique_ptr<QTcpSocket> extra = connectClient();
    EXPECT_TRUE(extra->state() != QAbstractSocket::ConnectedState ||
                extra->waitForDisconnected(kDeadlineMs));

    // The clients within the limit are served: station 3 has not answered yet.
    EXPECT_EQ(exchange(*clients[31], readRequest(3, 3), 9).toHex().toStdString(),
              "00070000000303840b");

    // The status tells the broker's state, once the bus has named the topics.
    EXPECT_NE(gateway->status().mqtt.find("waiting for the serial port"), std::string::npos);
    gateway->portsFound({session::PortEntry{1, "COM1", "/dev/ttyUSB0"}}, 0);
    EXPECT_TRUE(waitFor([this] {
        return gateway->status().mqtt == "MQTT: connected to broker:1883";
    })) << gateway->status().mqtt;
}

}  // namespace
