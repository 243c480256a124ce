#pragma once

#include <optional>
#include <string>

namespace meter_sim {

// The master side of a pseudo-terminal in raw mode, non-blocking. The simulator keeps a slave
// descriptor open itself, so the master never sees a hang-up while the PC has closed its port.
class PtyDevice {
  public:
    [[nodiscard]] static std::optional<PtyDevice> open(std::string& error);

    PtyDevice(PtyDevice&& other) noexcept;
    PtyDevice& operator=(PtyDevice&&) = delete;
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;
    ~PtyDevice();

    [[nodiscard]] int masterFd() const { return master_; }
    [[nodiscard]] const std::string& slavePath() const { return slavePath_; }

  private:
    PtyDevice(int master, int heldSlave, std::string slavePath);

    int master_;
    int heldSlave_;
    std::string slavePath_;
};

// A symbolic link to the device that is removed again when the guard goes, if it still points
// at the device.
class SymlinkGuard {
  public:
    // Refuses to replace anything but a symbolic link.
    [[nodiscard]] static std::optional<SymlinkGuard> create(const std::string& linkPath,
                                                            const std::string& target,
                                                            std::string& error);

    SymlinkGuard(SymlinkGuard&& other) noexcept;
    SymlinkGuard& operator=(SymlinkGuard&&) = delete;
    SymlinkGuard(const SymlinkGuard&) = delete;
    SymlinkGuard& operator=(const SymlinkGuard&) = delete;
    ~SymlinkGuard();

  private:
    SymlinkGuard(std::string linkPath, std::string target);

    std::string linkPath_;
    std::string target_;
};

}  // namespace meter_sim
