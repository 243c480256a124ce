#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/mqtt_connection.h"

namespace fakes {

// A broker connection whose outcomes the test queues: each connect() takes the next attempt's
// outcome, each service() the next state (Up once the queue is empty after a good attempt).
class FakeMqttConnection final : public platform::MqttConnection {
  public:
    struct Attempt {
        bool starts = true;       // false: connect() fails with `reason`
        Link reached = Link::Up;  // what service() reports after it
        std::string reason;
    };
    std::deque<Attempt> attempts;
    std::vector<platform::MqttMessage> published;
    std::vector<platform::MqttMessage> wills;
    int connects = 0;
    int disconnects = 0;

    bool connect(const platform::MqttEndpoint&, const platform::MqttMessage& will,
                 std::string& reason) override {
        ++connects;
        wills.push_back(will);
        Attempt attempt = attempts.empty() ? Attempt{} : attempts.front();
        if (!attempts.empty()) {
            attempts.pop_front();
        }
        if (!attempt.starts) {
            reason = attempt.reason;
            return false;
        }
        state_ = {attempt.reached, attempt.reason};
        return true;
    }
    bool publish(const platform::MqttMessage& message) override {
        if (state_.link != Link::Up) {
            return false;
        }
        published.push_back(message);
        return true;
    }
    State service(int) override { return state_; }
    void disconnect(int) override {
        ++disconnects;
        state_ = {Link::Down, "disconnected"};
    }
    // The broker goes away under an open connection.
    void lose(const std::string& reason) { state_ = {Link::Down, reason}; }

  private:
    State state_;
};

}  // namespace fakes
