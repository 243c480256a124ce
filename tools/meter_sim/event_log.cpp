#include "event_log.h"

#include <cinttypes>

#include "meter_line.h"

namespace meter_sim {

EventLog::~EventLog() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool EventLog::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    return file_ != nullptr;
}

void EventLog::received(std::int64_t us, std::uint8_t byte) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%" PRId64 " rx %02X\n", us, byte);
    }
}

void EventLog::line(std::int64_t us, const char* kind, const std::string& text) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%" PRId64 " %s %s\n", us, kind, text.c_str());
    }
}

void EventLog::sent(std::int64_t us, const std::vector<std::uint8_t>& bytes,
                    const std::string& label) {
    if (file_ != nullptr) {
        std::fprintf(file_, "%" PRId64 " tx %s | %s\n", us,
                     hexBytes(bytes.data(), bytes.size()).c_str(), label.c_str());
    }
}

void EventLog::flush() {
    if (file_ != nullptr) {
        std::fflush(file_);
    }
}

}  // namespace meter_sim
