#include "platform/mosquitto/mosquitto_connection.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/qt/shared_library.h"

namespace platform::mqtt {

// The functions of libmosquitto that a connection is made with.
struct MosquittoFunctions {
    decltype(&::mosquitto_lib_init) mosquitto_lib_init;
    decltype(&::mosquitto_lib_cleanup) mosquitto_lib_cleanup;
    decltype(&::mosquitto_new) mosquitto_new;
    decltype(&::mosquitto_connect_callback_set) mosquitto_connect_callback_set;
    decltype(&::mosquitto_destroy) mosquitto_destroy;
    decltype(&::mosquitto_strerror) mosquitto_strerror;
    decltype(&::mosquitto_connack_string) mosquitto_connack_string;
    decltype(&::mosquitto_will_set) mosquitto_will_set;
    decltype(&::mosquitto_username_pw_set) mosquitto_username_pw_set;
    decltype(&::mosquitto_tls_set) mosquitto_tls_set;
    decltype(&::mosquitto_connect_async) mosquitto_connect_async;
    decltype(&::mosquitto_publish) mosquitto_publish;
    decltype(&::mosquitto_loop) mosquitto_loop;
    decltype(&::mosquitto_disconnect) mosquitto_disconnect;
};

namespace {

bool bind(SharedLibrary& library, MosquittoFunctions& f) {
    return library.find("mosquitto_lib_init", f.mosquitto_lib_init) &&
           library.find("mosquitto_lib_cleanup", f.mosquitto_lib_cleanup) &&
           library.find("mosquitto_new", f.mosquitto_new) &&
           library.find("mosquitto_connect_callback_set", f.mosquitto_connect_callback_set) &&
           library.find("mosquitto_destroy", f.mosquitto_destroy) &&
           library.find("mosquitto_strerror", f.mosquitto_strerror) &&
           library.find("mosquitto_connack_string", f.mosquitto_connack_string) &&
           library.find("mosquitto_will_set", f.mosquitto_will_set) &&
           library.find("mosquitto_username_pw_set", f.mosquitto_username_pw_set) &&
           library.find("mosquitto_tls_set", f.mosquitto_tls_set) &&
           library.find("mosquitto_connect_async", f.mosquitto_connect_async) &&
           library.find("mosquitto_publish", f.mosquitto_publish) &&
           library.find("mosquitto_loop", f.mosquitto_loop) &&
           library.find("mosquitto_disconnect", f.mosquitto_disconnect);
}

// libmosquitto's words for an error code; the system's for one that errno carries.
std::string errorText(const MosquittoFunctions& mosquitto, int code) {
    if (code == MOSQ_ERR_ERRNO) {
        return std::strerror(errno);
    }
    if (code == MOSQ_ERR_CONN_LOST) {
        return "the connection was lost";
    }
    return mosquitto.mosquitto_strerror(code);
}

}  // namespace

struct MosquittoLibrary::Loaded {
    Loaded(std::string name, int majorVersion) : functions(std::move(name), majorVersion, &bind) {}

    LibraryFunctions<MosquittoFunctions> functions;
};

MosquittoLibrary::MosquittoLibrary(std::string name, int majorVersion)
    : loaded_(std::make_unique<Loaded>(std::move(name), majorVersion)) {}

MosquittoLibrary::~MosquittoLibrary() = default;

const MosquittoFunctions* MosquittoLibrary::functions() {
    return loaded_->functions.get();
}

const std::string& MosquittoLibrary::problem() const {
    return loaded_->functions.problem();
}

MosquittoConnection::MosquittoConnection(MosquittoLibrary& library)
    : mosquitto_(library.functions()) {
    if (mosquitto_ == nullptr) {
        unloaded_ = library.problem();
        return;
    }
    mosquitto_->mosquitto_lib_init();
    client_ = mosquitto_->mosquitto_new(nullptr, true, this);
    if (client_ != nullptr) {
        mosquitto_->mosquitto_connect_callback_set(client_, &MosquittoConnection::connected);
    }
}

MosquittoConnection::~MosquittoConnection() {
    if (mosquitto_ == nullptr) {
        return;
    }
    if (client_ != nullptr) {
        mosquitto_->mosquitto_destroy(client_);
    }
    mosquitto_->mosquitto_lib_cleanup();
}

void MosquittoConnection::connected(struct mosquitto* /*client*/, void* self, int code) {
    auto* connection = static_cast<MosquittoConnection*>(self);
    if (code == 0) {
        connection->link_ = Link::Up;
        connection->refusal_.clear();
    } else {
        // libmosquitto says "Connection Refused: not authorised."
        std::string why = connection->mosquitto_->mosquitto_connack_string(code);
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
    if (mosquitto_ == nullptr) {
        reason = unloaded_;
        return false;
    }
    if (client_ == nullptr) {
        reason = "libmosquitto could not make a client";
        return false;
    }
    link_ = Link::Down;
    refusal_.clear();
    int code = mosquitto_->mosquitto_will_set(client_, will.topic.c_str(),
                                              static_cast<int>(will.payload.size()),
                                              will.payload.data(), will.qos, will.retain);
    if (code == MOSQ_ERR_SUCCESS) {
        code = mosquitto_->mosquitto_username_pw_set(
            client_, endpoint.user.empty() ? nullptr : endpoint.user.c_str(),
            endpoint.user.empty() ? nullptr : endpoint.password.c_str());
    }
    if (code == MOSQ_ERR_SUCCESS && !endpoint.cafile.empty()) {
        code = mosquitto_->mosquitto_tls_set(client_, endpoint.cafile.c_str(), nullptr, nullptr,
                                             nullptr, nullptr);
        if (code != MOSQ_ERR_SUCCESS) {
            reason = "the certificate authorities in " + endpoint.cafile + " cannot be used";
            return false;
        }
    }
    if (code == MOSQ_ERR_SUCCESS) {
        code = mosquitto_->mosquitto_connect_async(client_, endpoint.host.c_str(), endpoint.port,
                                                   endpoint.keepAliveSeconds);
    }
    if (code != MOSQ_ERR_SUCCESS) {
        reason = errorText(*mosquitto_, code);
        return false;
    }
    link_ = Link::Connecting;
    return true;
}

bool MosquittoConnection::publish(const MqttMessage& message) {
    return link_ == Link::Up &&
           mosquitto_->mosquitto_publish(
               client_, nullptr, message.topic.c_str(), static_cast<int>(message.payload.size()),
               message.payload.data(), message.qos, message.retain) == MOSQ_ERR_SUCCESS;
}

MqttConnection::State MosquittoConnection::service(int waitMs) {
    if (link_ == Link::Down) {
        return {Link::Down, refusal_.empty() ? std::string("not connected") : refusal_};
    }
    const int code = mosquitto_->mosquitto_loop(client_, waitMs, 1);
    if (code != MOSQ_ERR_SUCCESS || link_ == Link::Down) {
        link_ = Link::Down;
        return {Link::Down, refusal_.empty() ? errorText(*mosquitto_, code) : refusal_};
    }
    return {link_, {}};
}

void MosquittoConnection::disconnect(int waitMs) {
    if (link_ == Link::Down) {
        return;
    }
    link_ = Link::Down;
    if (mosquitto_->mosquitto_disconnect(client_) != MOSQ_ERR_SUCCESS) {
        return;
    }
    // The queued messages and the disconnect go out in order; the loop ends once the socket is
    // closed after them.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < end &&
           mosquitto_->mosquitto_loop(client_, 50, 1) == MOSQ_ERR_SUCCESS) {
    }
}

}  // namespace platform::mqtt
