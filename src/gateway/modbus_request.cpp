#include "gateway/modbus_request.h"

namespace gateway {

namespace {

constexpr std::size_t kShortestPdu = 1;
constexpr std::size_t kLongestPdu = 253;
constexpr std::size_t kReadPduBytes = 5;  // function, address, count
constexpr std::uint16_t kMostRegistersRead = 125;
constexpr std::uint8_t kExceptionFlag = 0x80;

std::uint16_t word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

void putWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

std::vector<std::uint8_t> response(const ModbusRequest& request, std::size_t pduBytes) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderBytes + pduBytes);
    putWord(out, request.transaction);
    putWord(out, 0);
    putWord(out, static_cast<std::uint16_t>(pduBytes + 1));
    out.push_back(request.unit);
    return out;
}

std::vector<std::uint8_t> exception(const ModbusRequest& request, ModbusException code) {
    std::vector<std::uint8_t> out = response(request, 2);
    out.push_back(static_cast<std::uint8_t>(request.pdu[0] | kExceptionFlag));
    out.push_back(static_cast<std::uint8_t>(code));
    return out;
}

}  // namespace

ReadResult readRequest(const std::uint8_t* bytes, std::size_t size) {
    ReadResult result;
    if (size >= 4 && word(bytes + 2) != 0) {
        result.status = RequestRead::Malformed;
        return result;
    }
    if (size < kHeaderBytes - 1) {
        return result;
    }
    // The length counts the unit byte and the PDU.
    const std::size_t length = word(bytes + 4);
    if (length < 1 + kShortestPdu || length > 1 + kLongestPdu) {
        result.status = RequestRead::Malformed;
        return result;
    }
    const std::size_t total = kHeaderBytes - 1 + length;
    if (size < total) {
        return result;
    }
    result.status = RequestRead::Complete;
    result.length = total;
    result.request.transaction = word(bytes);
    result.request.unit = bytes[6];
    result.request.pdu.assign(bytes + kHeaderBytes, bytes + total);
    return result;
}

std::vector<std::uint8_t> answerRequest(const ModbusRequest& request,
                                        const StationRegisters& stationRegisters) {
    if (request.unit < 1 || request.unit > 16) {
        return exception(request, ModbusException::PathUnavailable);
    }
    const std::uint8_t function = request.pdu[0];
    if (function != kReadHoldingRegisters && function != kReadInputRegisters) {
        return exception(request, ModbusException::IllegalFunction);
    }
    if (request.pdu.size() != kReadPduBytes) {
        return exception(request, ModbusException::IllegalValue);
    }
    const std::uint16_t address = word(&request.pdu[1]);
    const std::uint16_t count = word(&request.pdu[3]);
    if (count < 1 || count > kMostRegistersRead) {
        return exception(request, ModbusException::IllegalValue);
    }
    if (std::size_t{address} + count > kRegisterCount) {
        return exception(request, ModbusException::IllegalAddress);
    }
    const std::optional<RegisterBlock> block = stationRegisters(request.unit);
    if (!block) {
        return exception(request, ModbusException::TargetFailedToRespond);
    }
    std::vector<std::uint8_t> out = response(request, 2 + 2 * std::size_t{count});
    out.push_back(function);
    out.push_back(static_cast<std::uint8_t>(2 * count));
    for (std::size_t i = address; i < std::size_t{address} + count; ++i) {
        putWord(out, (*block)[i]);
    }
    return out;
}

}  // namespace gateway
