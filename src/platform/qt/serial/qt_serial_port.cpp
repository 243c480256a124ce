#include "platform/qt/serial/qt_serial_port.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "link/pauses.h"
#include "platform/qt/serial/port_holder.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace platform::qt {
namespace {

using Clock = std::chrono::steady_clock;

// A single byte normally leaves at once; the limit only matters when the driver stalls.
constexpr int kWriteTimeoutMs = 100;

// How long the driver may take to pass a written byte to the line before the drain stops
// waiting: a few character times, and the round trip of a USB adapter. The queue is polled a few
// times per character.
constexpr int kDrainCharacters = 3;
constexpr std::chrono::milliseconds kDrainAdapterAllowance{10};
constexpr std::chrono::microseconds kDrainStepMin{20};
constexpr std::chrono::milliseconds kDrainStepMax{1};

QSerialPort::Parity toQt(seriallink::Parity parity) {
    switch (parity) {
        case seriallink::Parity::Even:
            return QSerialPort::EvenParity;
        case seriallink::Parity::Odd:
            return QSerialPort::OddParity;
        case seriallink::Parity::Mark:
            return QSerialPort::MarkParity;
        case seriallink::Parity::Space:
            return QSerialPort::SpaceParity;
        case seriallink::Parity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(seriallink::StopBits stopBits) {
    switch (stopBits) {
        case seriallink::StopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case seriallink::StopBits::Two:
            return QSerialPort::TwoStop;
        case seriallink::StopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

// Errors after which the device is gone or unusable; Qt would otherwise report them again and
// again from its read notifier.
bool isFatal(QSerialPort::SerialPortError error) {
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
           error == QSerialPort::WriteError;
}

// A tty in exclusive use (TIOCEXCL) shuts out everybody but root, and the flag outlives the
// process that set it for as long as the device stays open elsewhere: a pseudo-terminal's far end
// keeps it open. So the flag only means that the device is held while another live process has it
// open; a flag left by a killed program is passed over and the open goes on as usual (Qt sets the
// flag again for this process). Only root gets this far with the flag set: for anybody else the
// kernel refuses the open, and nobody but root could clear it.
bool heldByAnotherProgram(const QString& device) {
#if defined(Q_OS_LINUX) && defined(TIOCGEXCL)
    if (::geteuid() != 0) {
        return false;
    }
    const QByteArray path = device.toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int exclusive = 0;
    const bool flagged = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    ::close(fd);
    return flagged && findPortHolder(path.toStdString()).has_value();
#else
    Q_UNUSED(device);
    return false;
#endif
}

// Waits until the driver's output queue is empty: the byte written last has left for the line (a
// USB adapter counts it as left once the adapter has it). Bounded, so that a device that stopped
// taking bytes never blocks the program; a pseudo-terminal never reports queued bytes.
void drainOutputQueue(int fd, std::chrono::nanoseconds character) {
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    const auto deadline = Clock::now() + kDrainAdapterAllowance + kDrainCharacters * character;
    const auto step =
        std::clamp<std::chrono::nanoseconds>(character / 4, kDrainStepMin, kDrainStepMax);
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(step);
    }
#else
    Q_UNUSED(fd);
    Q_UNUSED(character);
#endif
}

// Qt keeps CMSPAR set when it leaves mark or space parity, so a later even or odd parity would go
// out as stick parity (and a pty refuses space parity once more). Cleared before Qt sets none,
// even or odd parity.
bool clearStickParity(QSerialPort& port) {
#if defined(Q_OS_UNIX) && defined(CMSPAR)
    const int fd = port.handle();
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    if ((tio.c_cflag & CMSPAR) == 0) {
        return true;
    }
    tio.c_cflag &= ~tcflag_t(CMSPAR);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
#else
    Q_UNUSED(port);
    return true;
#endif
}

}  // namespace

QtSerialPort::QtSerialPort(seriallink::PortMap portMap) : portMap_(std::move(portMap)) {
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { onReadyRead(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort() {
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    port_.close();
}

bool QtSerialPort::setPortNumber(int number) {
    if (port_.isOpen()) {
        return false;
    }
    portNumber_ = number;
    return true;
}

bool QtSerialPort::open() {
    if (port_.isOpen()) {
        return false;
    }
    const auto device = portMap_.device(portNumber_);
    if (!device) {
        return false;
    }
    const QString name = QString::fromStdString(*device);
    if (heldByAnotherProgram(name)) {
        return false;
    }
    port_.setPortName(name);
    if (!port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        return false;
    }
    // The lock keeps out programs that Qt's lock file misses; the driver may still hold bytes from
    // before the open, and a fresh line starts empty.
    if (!lockDevice() || !port_.setFlowControl(QSerialPort::NoFlowControl) ||
        !applySettings(settings_) || !port_.clear(QSerialPort::AllDirections)) {
        port_.close();
        port_.clearError();
        return false;
    }
    return true;
}

bool QtSerialPort::close() {
    if (!port_.isOpen()) {
        return false;
    }
    port_.close();
    return true;
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

std::string QtSerialPort::deviceName(int number) const {
    return portMap_.device(number).value_or("");
}

bool QtSerialPort::setHandshakingNone() {
    // Every open starts without flow control.
    return !port_.isOpen() || port_.setFlowControl(QSerialPort::NoFlowControl);
}

bool QtSerialPort::setSendThreshold(int bytes) {
    return bytes == 0;
}

bool QtSerialPort::setReceiveThreshold(int bytes) {
    if (bytes < 0) {
        return false;
    }
    receiveThreshold_ = bytes;
    return true;
}

bool QtSerialPort::setSettings(const std::string& text) {
    const auto settings = seriallink::parseLineSettings(text);
    if (!settings) {
        return false;
    }
    // The polling cycle sets the line at every poll; an unchanged setting is not sent to the
    // driver again, so that the line is not disturbed four times a poll.
    if (port_.isOpen() && *settings != settings_ && !applySettings(*settings)) {
        applySettings(settings_);
        return false;
    }
    settings_ = *settings;
    return true;
}

bool QtSerialPort::setBinaryInput() {
    // QSerialPort never converts characters: input is always binary.
    return true;
}

bool QtSerialPort::discardInput() {
    return port_.isOpen() && port_.clear(QSerialPort::Input);
}

bool QtSerialPort::discardOutput() {
    return port_.isOpen() && port_.clear(QSerialPort::Output);
}

bool QtSerialPort::writeByte(std::uint8_t value) {
    if (!port_.isOpen()) {
        return false;
    }
    if (!handToDriver(static_cast<char>(value))) {
        return false;
    }
    drainOutputQueue(port_.handle(), seriallink::characterTime(settings_));
    return true;
}

#ifdef Q_OS_UNIX

bool QtSerialPort::handToDriver(char byte) {
    // Written to the device itself: QSerialPort would queue the byte and set up a write
    // notifier, and take it down again, for every byte of every request.
    const int fd = port_.handle();
    bool waited = false;
    while (true) {
        if (::write(fd, &byte, 1) == 1) {
            return true;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            break;
        }
        if (waited) {
            return false;  // still full
        }
        // The driver's queue is full: it may take the byte a little later.
        waited = true;
        pollfd room{fd, POLLOUT, 0};
        if (::poll(&room, 1, kWriteTimeoutMs) == 1 && (room.revents & POLLOUT) == 0) {
            break;  // an error or a hang-up instead
        }
    }
    // The device failed under the open port (adapter pulled out).
    port_.close();
    return false;
}

#else

bool QtSerialPort::handToDriver(char byte) {
    if (port_.write(&byte, 1) != 1) {
        return false;
    }
    // QSerialPort only queues the byte until the event loop runs; hand it to the driver now.
    port_.flush();
    while (port_.isOpen() && port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(kWriteTimeoutMs)) {
            break;
        }
    }
    return port_.isOpen() && port_.bytesToWrite() == 0;
}

#endif

std::optional<std::vector<std::uint8_t>> QtSerialPort::readAll() {
    if (!port_.isOpen()) {
        return std::nullopt;
    }
    const QByteArray data = port_.readAll();
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

void QtSerialPort::setNotificationHandler(NotificationHandler handler) {
    handler_ = std::move(handler);
}

bool QtSerialPort::applySettings(const seriallink::LineSettings& settings) {
    const bool stickParity =
        settings.parity == seriallink::Parity::Mark || settings.parity == seriallink::Parity::Space;
    return port_.setBaudRate(settings.baud) &&
           port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
           port_.setStopBits(toQt(settings.stopBits)) && (stickParity || clearStickParity(port_)) &&
           port_.setParity(toQt(settings.parity));
}

bool QtSerialPort::lockDevice() {
#ifdef Q_OS_UNIX
    // Qt's lock file and TIOCEXCL do not stop root nor programs that only flock the device.
    return ::flock(port_.handle(), LOCK_EX | LOCK_NB) == 0;
#else
    return true;
#endif
}

void QtSerialPort::onReadyRead() {
    if (receiveThreshold_ <= 0 || port_.bytesAvailable() < receiveThreshold_ || !handler_) {
        return;
    }
    const NotificationHandler handler = handler_;
    handler(kCommEventReceive);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (isFatal(error) && port_.isOpen()) {
        port_.close();
    }
}

}  // namespace platform::qt
