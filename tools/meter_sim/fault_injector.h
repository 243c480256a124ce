#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"

namespace meter_sim {

// Small deterministic generator (xoshiro256**, seeded by splitmix64), so that a seed gives the
// same faults on every platform and standard library.
class Rng {
  public:
    explicit Rng(std::uint64_t seed);
    [[nodiscard]] std::uint64_t next();
    [[nodiscard]] double uniform();                          // [0, 1)
    [[nodiscard]] std::uint32_t below(std::uint32_t bound);  // [0, bound), bound > 0

  private:
    std::uint64_t state_[4];
};

// Probability 0..1 of each fault per reply; each is drawn on its own, so faults can combine.
struct FaultRates {
    double noReply = 0.0;       // the reply is not sent
    double badCheck = 0.0;      // byte 8 is changed
    double wrongStation = 0.0;  // byte 0 names another station
    double wrongCommand = 0.0;  // byte 1 names another command or step
    double badEnd = 0.0;        // byte 9 is 0x55 instead of 0xAA
    double late = 0.0;          // held back until the next poll has begun
    double extraBytes = 0.0;    // one to three random bytes follow the reply
    double split = 0.0;         // delivered in two parts 5 to 20 ms apart
    double noise = 0.0;         // one to four random bytes come before the reply
};

// A piece of a reply, sent afterUs after the reply is due.
struct Chunk {
    std::vector<std::uint8_t> bytes;
    std::int64_t afterUs = 0;
};

// What becomes of one reply on its way to the PC.
struct DeliveryPlan {
    bool dropped = false;
    bool late = false;
    std::vector<Chunk> chunks;
    std::vector<std::string> faults;  // names of the faults applied, in order
};

class FaultInjector {
  public:
    FaultInjector(const FaultRates& rates, std::uint64_t seed);

    [[nodiscard]] DeliveryPlan apply(const Frame& reply);

  private:
    [[nodiscard]] bool hits(double rate) { return rng_.uniform() < rate; }
    [[nodiscard]] std::vector<std::uint8_t> randomBytes(std::uint32_t minimum,
                                                        std::uint32_t maximum);

    FaultRates rates_;
    Rng rng_;
};

// A reply passed on untouched.
[[nodiscard]] DeliveryPlan plainDelivery(const Frame& reply);

}  // namespace meter_sim
