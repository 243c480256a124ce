#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "gateway/register_map.h"

namespace gateway {

// A Modbus TCP request: the MBAP header (transaction, protocol 0, length, unit) and the PDU.
struct ModbusRequest {
    std::uint16_t transaction = 0;
    std::uint8_t unit = 0;
    std::vector<std::uint8_t> pdu;  // function code and data, at least one byte
};

enum class RequestRead {
    Incomplete,  // the bytes so far begin a request; more must come
    Complete,    // `request` holds the first request, `length` bytes long
    Malformed,   // not Modbus TCP: a protocol other than 0, or a length outside 2 to 254
};

struct ReadResult {
    RequestRead status = RequestRead::Incomplete;
    std::size_t length = 0;
    ModbusRequest request;
};

inline constexpr std::size_t kHeaderBytes = 7;
inline constexpr std::size_t kLongestRequest = kHeaderBytes - 1 + 254;

// Reads the first request from the bytes a client has sent.
[[nodiscard]] ReadResult readRequest(const std::uint8_t* bytes, std::size_t size);

// Modbus exception codes the gateway answers with.
enum class ModbusException : std::uint8_t {
    IllegalFunction = 0x01,        // anything but reading registers: every write
    IllegalAddress = 0x02,         // registers beyond 27
    IllegalValue = 0x03,           // a count of 0 or above 125, a read of the wrong length
    PathUnavailable = 0x0A,        // a unit that is no station: 0, 17 to 255
    TargetFailedToRespond = 0x0B,  // a station that has never answered
};

inline constexpr std::uint8_t kReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kReadInputRegisters = 0x04;

// The registers of a station, nothing when it has never answered.
using StationRegisters = std::function<std::optional<RegisterBlock>(std::uint8_t station)>;

// The response to a request, MBAP header included. Functions 3 and 4 read the same registers;
// checks in this order: the unit (1 to 16), the function, the count, the address range, then
// whether the station has values.
[[nodiscard]] std::vector<std::uint8_t> answerRequest(const ModbusRequest& request,
                                                      const StationRegisters& stationRegisters);

}  // namespace gateway
