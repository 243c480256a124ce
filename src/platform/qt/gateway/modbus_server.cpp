#include "platform/qt/gateway/modbus_server.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <future>
#include <unordered_map>
#include <vector>

#include "gateway/modbus_request.h"

namespace platform::qt {

namespace {

// The clients of one listening socket, on the server's thread.
class Clients {
  public:
    Clients(QTcpServer& server, const gateway::StationBoard& board, gateway::GatewayTime& time,
            const ModbusServerLimits& limits, std::atomic<int>& count,
            std::atomic<std::uint64_t>& requests)
        : server_(server),
          board_(board),
          time_(time),
          limits_(limits),
          count_(count),
          requests_(requests) {
        clock_.start();
        QObject::connect(&server_, &QTcpServer::newConnection, &context_, [this] { accept(); });
        QObject::connect(&sweep_, &QTimer::timeout, &context_, [this] { dropStale(); });
        sweep_.start(std::max(10, std::min(limits_.idleMs, limits_.partialMs) / 4));
    }

  private:
    struct Client {
        QByteArray buffer;
        qint64 lastByteMs = 0;
        qint64 partialSinceMs = -1;  // -1: no request begun
    };

    void accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            if (clients_.size() >= static_cast<std::size_t>(limits_.connections)) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            clients_[socket] = Client{{}, clock_.elapsed(), -1};
            QObject::connect(socket, &QTcpSocket::readyRead, &context_,
                             [this, socket] { read(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, &context_,
                             [this, socket] { drop(socket); });
            count_ = static_cast<int>(clients_.size());
        }
    }

    void read(QTcpSocket* socket) {
        const auto found = clients_.find(socket);
        if (found == clients_.end()) {
            return;
        }
        Client& client = found->second;
        const qint64 now = clock_.elapsed();
        client.buffer += socket->readAll();
        client.lastByteMs = now;
        int used = 0;
        while (true) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(client.buffer.constData());
            const gateway::ReadResult read = gateway::readRequest(
                bytes + used, static_cast<std::size_t>(client.buffer.size() - used));
            if (read.status == gateway::RequestRead::Malformed) {
                drop(socket);
                return;
            }
            if (read.status == gateway::RequestRead::Incomplete) {
                break;
            }
            used += static_cast<int>(read.length);
            const std::int64_t steadyNow = time_.steadyMs();
            const std::vector<std::uint8_t> answer =
                gateway::answerRequest(read.request, [this, steadyNow](std::uint8_t station) {
                    return board_.registers(station, steadyNow);
                });
            socket->write(reinterpret_cast<const char*>(answer.data()),
                          static_cast<qint64>(answer.size()));
            ++requests_;
        }
        client.buffer.remove(0, used);
        if (client.buffer.isEmpty()) {
            client.partialSinceMs = -1;
        } else if (client.partialSinceMs < 0 || used > 0) {
            client.partialSinceMs = now;
        }
        if (socket->bytesToWrite() > limits_.unreadBytes) {
            drop(socket);
        }
    }

    void drop(QTcpSocket* socket) {
        if (clients_.erase(socket) == 0) {
            return;
        }
        count_ = static_cast<int>(clients_.size());
        socket->disconnect(&context_);
        // The answers to the requests before go out first.
        socket->flush();
        socket->abort();
        socket->deleteLater();
    }

    void dropStale() {
        const qint64 now = clock_.elapsed();
        std::vector<QTcpSocket*> stale;
        for (const auto& [socket, client] : clients_) {
            const bool idle = now - client.lastByteMs >= limits_.idleMs;
            const bool stuck =
                client.partialSinceMs >= 0 && now - client.partialSinceMs >= limits_.partialMs;
            if (idle || stuck) {
                stale.push_back(socket);
            }
        }
        for (QTcpSocket* socket : stale) {
            drop(socket);
        }
    }

    QTcpServer& server_;
    const gateway::StationBoard& board_;
    gateway::GatewayTime& time_;
    const ModbusServerLimits& limits_;
    std::atomic<int>& count_;
    std::atomic<std::uint64_t>& requests_;
    QElapsedTimer clock_;
    QTimer sweep_;
    std::unordered_map<QTcpSocket*, Client> clients_;
    // Every connection of this object ends with it.
    QObject context_;
};

}  // namespace

class ModbusServer::Thread final : public QThread {
  public:
    Thread(ModbusServer& owner, const gateway::ListenAddress& address)
        : owner_(owner), address_(address) {}

    std::future<std::string> listening() { return listening_.get_future(); }

  protected:
    void run() override {
        QTcpServer server;
        const QHostAddress host(QString::fromStdString(address_.address));
        if (host.isNull()) {
            listening_.set_value("\"" + address_.address + "\" is not an address");
            return;
        }
        if (!server.listen(host, static_cast<quint16>(address_.port))) {
            listening_.set_value(server.errorString().toStdString());
            return;
        }
        owner_.port_ = server.serverPort();
        const Clients clients(server, owner_.board_, owner_.time_, owner_.limits_, owner_.clients_,
                              owner_.requests_);
        listening_.set_value({});
        exec();
        owner_.clients_ = 0;
    }

  private:
    ModbusServer& owner_;
    gateway::ListenAddress address_;
    std::promise<std::string> listening_;
};

ModbusServer::ModbusServer(const gateway::StationBoard& board, gateway::GatewayTime& time,
                           ModbusServerLimits limits)
    : board_(board), time_(time), limits_(limits) {}

ModbusServer::~ModbusServer() {
    if (thread_) {
        thread_->quit();
        thread_->wait();
    }
}

bool ModbusServer::listen(const gateway::ListenAddress& address, std::string& reason) {
    if (thread_ != nullptr) {
        reason = "already listening";
        return false;
    }
    thread_ = std::make_unique<Thread>(*this, address);
    std::future<std::string> listening = thread_->listening();
    thread_->start();
    reason = listening.get();
    return reason.empty();
}

}  // namespace platform::qt
