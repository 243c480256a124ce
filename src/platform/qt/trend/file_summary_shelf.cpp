#include "platform/qt/trend/file_summary_shelf.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <utility>

namespace platform::qt {

FileSummaryShelf::FileSummaryShelf(QString fileName) : fileName_(std::move(fileName)) {}

bool FileSummaryShelf::load(const std::function<bool(const trend::ByteSource&)>& read) {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const trend::ByteSource source = [&file](char* data, std::size_t size) {
        return file.read(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    };
    return read(source);
}

bool FileSummaryShelf::save(const std::function<bool(const trend::ByteSink&)>& write) {
    if (!QDir().mkpath(QFileInfo(fileName_).absolutePath())) {
        return false;
    }
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const trend::ByteSink sink = [&file](const char* data, std::size_t size) {
        return file.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    };
    if (!write(sink)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::unique_ptr<trend::SummaryShelf> summaryShelfOf(const QString& store) {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) {
        return nullptr;
    }
    const QByteArray name = QCryptographicHash::hash(QFileInfo(store).absoluteFilePath().toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex();
    return std::make_unique<FileSummaryShelf>(cache + QStringLiteral("/tuskocp/trend/") +
                                              QString::fromLatin1(name) +
                                              QStringLiteral(".summary"));
}

}  // namespace platform::qt
