#pragma once

#include <string>

#include "platform/mqtt_connection.h"

struct mosquitto;

namespace platform::mqtt {

// An MQTT connection through libmosquitto, without its thread: every call runs on the caller's
// thread and waits on the network only as long as it is given.
class MosquittoConnection final : public MqttConnection {
  public:
    MosquittoConnection();
    ~MosquittoConnection() override;
    MosquittoConnection(const MosquittoConnection&) = delete;
    MosquittoConnection& operator=(const MosquittoConnection&) = delete;

    bool connect(const MqttEndpoint& endpoint, const MqttMessage& will,
                 std::string& reason) override;
    bool publish(const MqttMessage& message) override;
    State service(int waitMs) override;
    void disconnect(int waitMs) override;

  private:
    static void connected(struct mosquitto* client, void* self, int code);

    struct mosquitto* client_ = nullptr;
    Link link_ = Link::Down;
    std::string refusal_;  // what the broker answered to the last connect, when it refused
};

}  // namespace platform::mqtt
