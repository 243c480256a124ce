#include "records/sql/file_identity.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <QFileInfo>
#endif

namespace records::sql {

std::optional<FileIdentity> fileIdentity(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (stat(QFile::encodeName(path).constData(), &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
#else
    if (!QFileInfo::exists(path)) {
        return std::nullopt;
    }
    return FileIdentity{};
#endif
}

}  // namespace records::sql
