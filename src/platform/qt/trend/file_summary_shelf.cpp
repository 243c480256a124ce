#include "platform/qt/trend/file_summary_shelf.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>
#include <utility>

namespace platform::qt {

FileSummaryShelf::FileSummaryShelf(QString fileName, qint64 folderBytes)
    : fileName_(std::move(fileName)), folderBytes_(folderBytes) {}

bool FileSummaryShelf::load(const std::function<bool(const trend::ByteSource&)>& read) {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const trend::ByteSource source = [&file](char* data, std::size_t size) {
        return file.read(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    };
    if (!read(source)) {
        return false;
    }
    // The time of its last use, which the folder's limit goes by; Qt sets a file's times only
    // through a file open for writing.
    file.close();
    if (file.open(QIODevice::ReadWrite)) {
        file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    }
    return true;
}

bool FileSummaryShelf::save(const std::function<bool(const trend::ByteSink&)>& write) {
    if (!QDir().mkpath(QFileInfo(fileName_).absolutePath())) {
        return false;
    }
    // Written under a name of its own beside the old one, then renamed over it. The disk is not
    // waited for: a summary torn by a power cut fails its check when it is loaded and is summed up
    // anew, while waiting would hold up the next view asked for (a year of sixteen stations is
    // 36 MB). Until the rename, the temporary file goes with `file`.
    QTemporaryFile file(fileName_ + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        return false;
    }
    const trend::ByteSink sink = [&file](const char* data, std::size_t size) {
        return file.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    };
    if (!write(sink) || !file.flush()) {
        return false;
    }
    file.close();
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(fileName_.toStdU16String()), error);
    if (error) {
        return false;
    }
    removeLongestUnused();
    return true;
}

void FileSummaryShelf::removeLongestUnused() const {
    const QFileInfo saved(fileName_);
    // Summaries, and any left half written by a program that ended while it wrote one; those
    // used longest ago first.
    const QFileInfoList summaries = saved.absoluteDir().entryInfoList(
        {QStringLiteral("*.summary"), QStringLiteral("*.summary.*")}, QDir::Files,
        QDir::Time | QDir::Reversed);
    qint64 held = 0;
    for (const QFileInfo& summary : summaries) {
        held += summary.size();
    }
    for (const QFileInfo& summary : summaries) {
        if (held <= folderBytes_) {
            break;
        }
        if (summary.absoluteFilePath() != saved.absoluteFilePath() &&
            QFile::remove(summary.absoluteFilePath())) {
            held -= summary.size();
        }
    }
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
