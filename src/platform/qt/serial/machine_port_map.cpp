#include "platform/qt/serial/qt_serial_port.h"

#include <QByteArray>
#include <QFile>
#include <QSerialPortInfo>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::qt {

seriallink::PortMap portMapFromFile(const QString& confFilePath) {
    QByteArray confText;
    QFile file(confFilePath);
    if (file.open(QIODevice::ReadOnly)) {
        confText = file.readAll();
    }
    std::vector<std::string> systemDevices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        systemDevices.push_back(info.systemLocation().toStdString());
    }
    return seriallink::PortMap::fromConfig(std::string_view(confText.constData(), confText.size()),
                                           std::move(systemDevices));
}

seriallink::PortMap portMapForThisMachine() {
#ifdef Q_OS_WIN
    return seriallink::PortMap::identity();
#else
    return portMapFromFile(QStringLiteral("comports.conf"));
#endif
}

}  // namespace platform::qt
