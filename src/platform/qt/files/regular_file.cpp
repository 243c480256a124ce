#include "platform/qt/files/regular_file.h"

#include <QtGlobal>

#include <utility>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#else
#include <QFile>
#include <QFileInfo>

#include <utility>
#endif

namespace platform::qt {
namespace {

#ifdef Q_OS_UNIX

FileKind kindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileKind::Directory;
    }
    if (S_ISFIFO(mode)) {
        return FileKind::Fifo;
    }
    if (S_ISSOCK(mode)) {
        return FileKind::Socket;
    }
    if (S_ISCHR(mode)) {
        return FileKind::CharacterDevice;
    }
    if (S_ISBLK(mode)) {
        return FileKind::BlockDevice;
    }
    return FileKind::Other;
}

constexpr mode_t kPermissionBits = 0777;

FileRead refused(const std::string& path, const std::string& why) {
    FileRead read;
    read.refusal = path + " " + why;
    return read;
}

FileRead notRegular(const std::string& path, FileKind kind) {
    return refused(path, "is " + kindName(kind) + ", not a regular file");
}

FileRead missing() {
    FileRead read;
    read.missing = true;
    return read;
}

// The bytes of the open regular file `fd`, at most maxBytes.
bool readUpTo(int fd, std::size_t maxBytes, std::string& bytes) {
    bytes.resize(maxBytes);
    std::size_t done = 0;
    while (done < maxBytes) {
        const ssize_t got = ::read(fd, bytes.data() + done, maxBytes - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

#endif

}  // namespace

std::string kindName(FileKind kind) {
    switch (kind) {
        case FileKind::Missing:
            return "missing";
        case FileKind::Regular:
            return "a regular file";
        case FileKind::Directory:
            return "a directory";
        case FileKind::Fifo:
            return "a FIFO";
        case FileKind::Socket:
            return "a socket";
        case FileKind::CharacterDevice:
        case FileKind::BlockDevice:
            return "a device";
        case FileKind::Other:
            break;
    }
    return "not a file";
}

#ifdef Q_OS_UNIX

FileKind fileKind(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return FileKind::Missing;
    }
    return kindOf(status.st_mode);
}

FileRead readRegularFile(const std::string& path, std::size_t maxBytes) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return missing();
        }
        return refused(path, std::string("cannot be read: ") + std::strerror(errno));
    }
    if (kindOf(status.st_mode) != FileKind::Regular) {
        return notRegular(path, kindOf(status.st_mode));
    }
    // O_NONBLOCK: should a FIFO have taken the file's place since, the open returns at once
    // instead of waiting for a writer; on a regular file it changes nothing.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return missing();
        }
        return refused(path, std::string("cannot be read: ") + std::strerror(errno));
    }
    FileRead read;
    if (::fstat(fd, &status) != 0) {
        read = refused(path, std::string("cannot be read: ") + std::strerror(errno));
    } else if (kindOf(status.st_mode) != FileKind::Regular) {
        read = notRegular(path, kindOf(status.st_mode));
    } else if (std::string bytes; !readUpTo(fd, maxBytes, bytes)) {
        read = refused(path, std::string("cannot be read: ") + std::strerror(errno));
    } else {
        read.bytes = std::move(bytes);
        read.permissions = static_cast<unsigned>(status.st_mode & kPermissionBits);
    }
    ::close(fd);
    return read;
}

#else

FileKind fileKind(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) {
        return FileKind::Missing;
    }
    return info.isFile() ? FileKind::Regular
                         : (info.isDir() ? FileKind::Directory : FileKind::Other);
}

FileRead readRegularFile(const std::string& path, std::size_t maxBytes) {
    FileRead read;
    const FileKind kind = fileKind(path);
    if (kind == FileKind::Missing) {
        read.missing = true;
        return read;
    }
    if (kind != FileKind::Regular) {
        read.refusal = path + " is " + kindName(kind) + ", not a regular file";
        return read;
    }
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        read.refusal = path + " cannot be read: " + file.errorString().toStdString();
        return read;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(maxBytes));
    read.bytes = bytes.toStdString();
    static constexpr std::pair<QFileDevice::Permission, unsigned> kBits[] = {
        {QFileDevice::ReadOwner, 0400},  {QFileDevice::WriteOwner, 0200},
        {QFileDevice::ExeOwner, 0100},   {QFileDevice::ReadGroup, 0040},
        {QFileDevice::WriteGroup, 0020}, {QFileDevice::ExeGroup, 0010},
        {QFileDevice::ReadOther, 0004},  {QFileDevice::WriteOther, 0002},
        {QFileDevice::ExeOther, 0001},
    };
    for (const auto& [permission, bit] : kBits) {
        if (file.permissions().testFlag(permission)) {
            read.permissions |= bit;
        }
    }
    return read;
}

#endif

}  // namespace platform::qt
