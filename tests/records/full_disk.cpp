#include "full_disk.h"

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <mutex>

namespace records_test {

namespace {

std::atomic<bool> diskFull{false};
sqlite3_vfs* realFileSystem = nullptr;
sqlite3_vfs fullDiskFileSystem;

// The file methods of the real file system, each with a copy whose write can fail.
struct Methods {
    const sqlite3_io_methods* real = nullptr;
    sqlite3_io_methods copy{};
};
std::mutex methodsMutex;
std::array<Methods, 8> methods;

int writeUnlessFull(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    if (diskFull) {
        return SQLITE_FULL;
    }
    for (const Methods& m : methods) {
        if (file->pMethods == &m.copy) {
            return m.real->xWrite(file, data, amount, offset);
        }
    }
    return SQLITE_IOERR_WRITE;
}

const sqlite3_io_methods* copyOf(const sqlite3_io_methods* real) {
    const std::lock_guard<std::mutex> lock(methodsMutex);
    for (Methods& m : methods) {
        if (m.real == real) {
            return &m.copy;
        }
        if (m.real == nullptr) {
            m.real = real;
            m.copy = *real;
            m.copy.xWrite = writeUnlessFull;
            return &m.copy;
        }
    }
    return real;
}

int openFile(sqlite3_vfs* /*vfs*/, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    const int opened = realFileSystem->xOpen(realFileSystem, name, file, flags, outFlags);
    if (opened == SQLITE_OK && file->pMethods != nullptr) {
        file->pMethods = copyOf(file->pMethods);
    }
    return opened;
}

}  // namespace

FullDisk::FullDisk() {
    diskFull = false;
    realFileSystem = sqlite3_vfs_find(nullptr);
    fullDiskFileSystem = *realFileSystem;
    fullDiskFileSystem.zName = "full-disk";
    fullDiskFileSystem.pNext = nullptr;
    fullDiskFileSystem.xOpen = openFile;
    sqlite3_vfs_register(&fullDiskFileSystem, 1);
}

FullDisk::~FullDisk() {
    diskFull = false;
    sqlite3_vfs_unregister(&fullDiskFileSystem);
    sqlite3_vfs_register(realFileSystem, 1);
}

void FullDisk::fill(bool full) {
    diskFull = full;
}

}  // namespace records_test
