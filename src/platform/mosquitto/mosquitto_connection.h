#pragma once

#include <memory>
#include <string>

#include "platform/mqtt_connection.h"

struct mosquitto;

namespace platform::mqtt {

struct MosquittoFunctions;

// libmosquitto, loaded when the first connection asks for it; one for the program, lent to each of
// its connections and outliving them.
class MosquittoLibrary {
  public:
    // libmosquitto.so.1, or a library of another name and major version built as it is.
    explicit MosquittoLibrary(std::string name = "mosquitto", int majorVersion = 1);
    ~MosquittoLibrary();
    MosquittoLibrary(const MosquittoLibrary&) = delete;
    MosquittoLibrary& operator=(const MosquittoLibrary&) = delete;

    // Its functions; null when the library cannot be loaded, with problem() saying why.
    [[nodiscard]] const MosquittoFunctions* functions();
    [[nodiscard]] const std::string& problem() const;

  private:
    struct Loaded;
    std::unique_ptr<Loaded> loaded_;
};

// An MQTT connection through libmosquitto, without its thread: every call runs on the caller's
// thread and waits on the network only as long as it is given. Where libmosquitto cannot be
// loaded, it fails to connect, saying why.
class MosquittoConnection final : public MqttConnection {
  public:
    explicit MosquittoConnection(MosquittoLibrary& library);
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

    const MosquittoFunctions* mosquitto_;  // null: the library could not be loaded
    std::string unloaded_;                 // why it could not
    struct mosquitto* client_ = nullptr;
    Link link_ = Link::Down;
    std::string refusal_;  // what the broker answered to the last connect, when it refused
};

}  // namespace platform::mqtt
