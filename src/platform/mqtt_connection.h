#pragma once

#include <string>

namespace platform {

struct MqttEndpoint {
    std::string host;
    int port = 1883;
    std::string user;      // empty: none
    std::string password;  // sent only with a user
    std::string cafile;    // set: TLS, the broker's certificate checked against these authorities
    int keepAliveSeconds = 30;
};

struct MqttMessage {
    std::string topic;
    std::string payload;
    int qos = 1;
    bool retain = true;
};

// A client connection to an MQTT broker, used from one thread only. Nothing of it waits longer
// than the time a call is given.
class MqttConnection {
  public:
    enum class Link { Down, Connecting, Up };
    struct State {
        Link link = Link::Down;
        std::string reason;  // why it is down: "Connection refused", "not authorised"
    };

    virtual ~MqttConnection() = default;
    // Starts connecting, with the message the broker publishes when the connection is lost. False,
    // with the reason, when the attempt cannot even begin (an unknown host, an unreadable file).
    [[nodiscard]] virtual bool connect(const MqttEndpoint& endpoint, const MqttMessage& will,
                                       std::string& reason) = 0;
    // Queues a message; false when the connection cannot take it.
    [[nodiscard]] virtual bool publish(const MqttMessage& message) = 0;
    // Sends and receives what is due, waiting at most `waitMs` for the network; the state after.
    virtual State service(int waitMs) = 0;
    // Sends what is queued (waiting at most `waitMs`) and closes the connection; the broker does
    // not publish the last will.
    virtual void disconnect(int waitMs) = 0;
};

}  // namespace platform
