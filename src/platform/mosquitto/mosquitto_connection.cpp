#include "platform/mosquitto/mosquitto_connection.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace platform::mqtt {

namespace {

// libmosquitto's words for an error code; the system's for one that errno carries.
std::string errorText(int code) {
    if (code == MOSQ_ERR_ERRNO) {
        return std::strerror(errno);
    }
    if (code == MOSQ_ERR_CONN_LOST) {
        return "the connection was lost";
    }
    return mosquitto_strerror(code);
}

}  // namespace

MosquittoConnection::MosquittoConnection() {
    mosquitto_lib_init();
    client_ = mosquitto_new(nullptr, true, this);
    if (client_ != nullptr) {
        mosquitto_connect_callback_set(client_, &MosquittoConnection::connected);
    }
}

MosquittoConnection::~MosquittoConnection() {
    if (client_ != nullptr) {
        mosquitto_destroy(client_);
    }
    mosquitto_lib_cleanup();
}

void MosquittoConnection::connected(struct mosquitto* /*client*/, void* self, int code) {
    auto* connection = static_cast<MosquittoConnection*>(self);
    if (code == 0) {
        connection->link_ = Link::Up;
        connection->refusal_.clear();
    } else {
        // libmosquitto says "Connection Refused: not authorised."
        std::string why = mosquitto_connack_string(code);
        const std::string lead = "Connection Refused: ";
        if (why.rfind(lead, 0) == 0) {
            why.erase(0, lead.size());
        }
        if (!why.empty() && why.back() == '.') {
            why.pop_back();
        }
        connection->link_ = Link::Down;
        connection->refusal_ = "the broker refused the connection: " + why;
    }
}

bool MosquittoConnection::connect(const MqttEndpoint& endpoint, const MqttMessage& will,
                                  std::string& reason) {
    if (client_ == nullptr) {
        reason = "libmosquitto could not make a client";
        return false;
    }
    link_ = Link::Down;
    refusal_.clear();
    int code =
        mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                           will.payload.data(), will.qos, will.retain);
    if (code == MOSQ_ERR_SUCCESS) {
        code = mosquitto_username_pw_set(
            client_, endpoint.user.empty() ? nullptr : endpoint.user.c_str(),
            endpoint.user.empty() ? nullptr : endpoint.password.c_str());
    }
    if (code == MOSQ_ERR_SUCCESS && !endpoint.cafile.empty()) {
        code =
            mosquitto_tls_set(client_, endpoint.cafile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            reason = "the certificate authorities in " + endpoint.cafile + " cannot be used";
            return false;
        }
    }
    if (code == MOSQ_ERR_SUCCESS) {
        code = mosquitto_connect_async(client_, endpoint.host.c_str(), endpoint.port,
                                       endpoint.keepAliveSeconds);
    }
    if (code != MOSQ_ERR_SUCCESS) {
        reason = errorText(code);
        return false;
    }
    link_ = Link::Connecting;
    return true;
}

bool MosquittoConnection::publish(const MqttMessage& message) {
    return link_ == Link::Up &&
           mosquitto_publish(client_, nullptr, message.topic.c_str(),
                             static_cast<int>(message.payload.size()), message.payload.data(),
                             message.qos, message.retain) == MOSQ_ERR_SUCCESS;
}

MqttConnection::State MosquittoConnection::service(int waitMs) {
    if (link_ == Link::Down) {
        return {Link::Down, refusal_.empty() ? std::string("not connected") : refusal_};
    }
    const int code = mosquitto_loop(client_, waitMs, 1);
    if (code != MOSQ_ERR_SUCCESS || link_ == Link::Down) {
        link_ = Link::Down;
        return {Link::Down, refusal_.empty() ? errorText(code) : refusal_};
    }
    return {link_, {}};
}

void MosquittoConnection::disconnect(int waitMs) {
    if (link_ == Link::Down) {
        return;
    }
    link_ = Link::Down;
    if (mosquitto_disconnect(client_) != MOSQ_ERR_SUCCESS) {
        return;
    }
    // The queued messages and the disconnect go out in order; the loop ends once the socket is
    // closed after them.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < end &&
           mosquitto_loop(client_, 50, 1) == MOSQ_ERR_SUCCESS) {
    }
}

}  // namespace platform::mqtt
