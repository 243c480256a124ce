#include "platform/qt/trend/block_reading_vfs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <type_traits>

namespace platform::qt {

// The calls SQLite makes of the way to files that are not about one file go to the one below.
struct BlockReadingVfs::Calls {
    static sqlite3_vfs* below(sqlite3_vfs* vfs) {
        return static_cast<BlockReadingVfs*>(vfs->pAppData)->below_;
    }
    static int deleteFile(sqlite3_vfs* vfs, const char* name, int syncDir) {
        return below(vfs)->xDelete(below(vfs), name, syncDir);
    }
    static int access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
        return below(vfs)->xAccess(below(vfs), name, flags, out);
    }
    static int fullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
        return below(vfs)->xFullPathname(below(vfs), name, size, out);
    }
    static void* dlOpen(sqlite3_vfs* vfs, const char* name) {
        return below(vfs)->xDlOpen(below(vfs), name);
    }
    static void dlError(sqlite3_vfs* vfs, int size, char* out) {
        below(vfs)->xDlError(below(vfs), size, out);
    }
    static void (*dlSym(sqlite3_vfs* vfs, void* library, const char* symbol))() {
        return below(vfs)->xDlSym(below(vfs), library, symbol);
    }
    static void dlClose(sqlite3_vfs* vfs, void* library) {
        below(vfs)->xDlClose(below(vfs), library);
    }
    static int randomness(sqlite3_vfs* vfs, int size, char* out) {
        return below(vfs)->xRandomness(below(vfs), size, out);
    }
    static int sleep(sqlite3_vfs* vfs, int microseconds) {
        return below(vfs)->xSleep(below(vfs), microseconds);
    }
    static int currentTime(sqlite3_vfs* vfs, double* out) {
        return below(vfs)->xCurrentTime(below(vfs), out);
    }
    static int lastError(sqlite3_vfs* vfs, int size, char* out) {
        return below(vfs)->xGetLastError(below(vfs), size, out);
    }
    static int currentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
        return below(vfs)->xCurrentTimeInt64(below(vfs), out);
    }
};

// An open file: SQLite's handle first, the handle of the way below after this struct.
struct BlockReadingVfs::File {
    struct Block {
        sqlite3_int64 start = -1;  // none read
        int bytes = 0;             // of the file, from `start`
        unsigned used = 0;         // when it was last used, counting from 1
        char* data = nullptr;
    };

    sqlite3_file base;
    BlockReadingVfs* owner;
    sqlite3_file* below;
    bool inBlocks;  // the database file, opened to read only
    Block blocks[kBlocks];
    unsigned uses;

    static File& of(sqlite3_file* file) { return *reinterpret_cast<File*>(file); }

    void letGo() {
        for (Block& block : blocks) {
            block.start = -1;
        }
    }
    // The block that holds all the bytes [offset, offset + amount), read now when none does;
    // none when the bytes are not within one block of the file or it cannot be read.
    Block* blockOf(sqlite3_int64 offset, int amount);

    static int close(sqlite3_file* file);
    static int read(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset);
    static int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
        return of(file).below->pMethods->xWrite(of(file).below, data, amount, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size) {
        return of(file).below->pMethods->xTruncate(of(file).below, size);
    }
    static int sync(sqlite3_file* file, int flags) {
        return of(file).below->pMethods->xSync(of(file).below, flags);
    }
    static int fileSize(sqlite3_file* file, sqlite3_int64* size) {
        return of(file).below->pMethods->xFileSize(of(file).below, size);
    }
    static int lock(sqlite3_file* file, int level) {
        File& f = of(file);
        f.letGo();
        return f.below->pMethods->xLock(f.below, level);
    }
    static int unlock(sqlite3_file* file, int level) {
        return of(file).below->pMethods->xUnlock(of(file).below, level);
    }
    static int checkReservedLock(sqlite3_file* file, int* out) {
        return of(file).below->pMethods->xCheckReservedLock(of(file).below, out);
    }
    static int fileControl(sqlite3_file* file, int op, void* arg) {
        return of(file).below->pMethods->xFileControl(of(file).below, op, arg);
    }
    static int sectorSize(sqlite3_file* file) {
        return of(file).below->pMethods->xSectorSize(of(file).below);
    }
    static int deviceCharacteristics(sqlite3_file* file) {
        return of(file).below->pMethods->xDeviceCharacteristics(of(file).below);
    }
    // A file in write-ahead mode: its readers lock through the shared memory.
    static int shmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
        return of(file).below->pMethods->xShmMap(of(file).below, region, size, extend, out);
    }
    static int shmLock(sqlite3_file* file, int offset, int n, int flags) {
        File& f = of(file);
        f.letGo();
        return f.below->pMethods->xShmLock(f.below, offset, n, flags);
    }
    static void shmBarrier(sqlite3_file* file) {
        of(file).below->pMethods->xShmBarrier(of(file).below);
    }
    static int shmUnmap(sqlite3_file* file, int deleteFlag) {
        return of(file).below->pMethods->xShmUnmap(of(file).below, deleteFlag);
    }
};

namespace {

// Version 2: without the memory-mapped pages of version 3, which would pass the blocks by.
const sqlite3_io_methods kMethods = {2,
                                     &BlockReadingVfs::File::close,
                                     &BlockReadingVfs::File::read,
                                     &BlockReadingVfs::File::write,
                                     &BlockReadingVfs::File::truncate,
                                     &BlockReadingVfs::File::sync,
                                     &BlockReadingVfs::File::fileSize,
                                     &BlockReadingVfs::File::lock,
                                     &BlockReadingVfs::File::unlock,
                                     &BlockReadingVfs::File::checkReservedLock,
                                     &BlockReadingVfs::File::fileControl,
                                     &BlockReadingVfs::File::sectorSize,
                                     &BlockReadingVfs::File::deviceCharacteristics,
                                     &BlockReadingVfs::File::shmMap,
                                     &BlockReadingVfs::File::shmLock,
                                     &BlockReadingVfs::File::shmBarrier,
                                     &BlockReadingVfs::File::shmUnmap,
                                     nullptr,
                                     nullptr};

}  // namespace

BlockReadingVfs::File::Block* BlockReadingVfs::File::blockOf(sqlite3_int64 offset, int amount) {
    const sqlite3_int64 start = offset - offset % kBlockBytes;
    if (offset < 0 || amount <= 0 || offset + amount > start + kBlockBytes) {
        return nullptr;
    }
    Block* found = nullptr;
    for (Block& block : blocks) {
        if (block.start == start) {
            found = &block;
        }
    }
    if (!found) {
        // One not in use, else the one used least recently.
        found = std::min_element(std::begin(blocks), std::end(blocks),
                                 [](const Block& a, const Block& b) {
                                     return (a.start < 0 ? 0 : a.used) < (b.start < 0 ? 0 : b.used);
                                 });
        if (!found->data) {
            found->data = new (std::nothrow) char[kBlockBytes];
            if (!found->data) {
                return nullptr;
            }
        }
        ++owner->systemReads_;
        const int read = below->pMethods->xRead(below, found->data, kBlockBytes, start);
        sqlite3_int64 size = 0;
        if (read == SQLITE_OK) {
            found->bytes = kBlockBytes;
        } else if (read == SQLITE_IOERR_SHORT_READ &&
                   below->pMethods->xFileSize(below, &size) == SQLITE_OK && size > start) {
            found->bytes = static_cast<int>(std::min<sqlite3_int64>(size - start, kBlockBytes));
        } else {
            found->start = -1;
            return nullptr;
        }
        found->start = start;
    }
    found->used = ++uses;
    return offset + amount <= start + found->bytes ? found : nullptr;
}

int BlockReadingVfs::File::read(sqlite3_file* file, void* out, int amount, sqlite3_int64 offset) {
    File& f = of(file);
    if (f.inBlocks) {
        if (const Block* block = f.blockOf(offset, amount)) {
            std::memcpy(out, block->data + (offset - block->start),
                        static_cast<std::size_t>(amount));
            return SQLITE_OK;
        }
    }
    ++f.owner->systemReads_;
    return f.below->pMethods->xRead(f.below, out, amount, offset);
}

int BlockReadingVfs::File::close(sqlite3_file* file) {
    File& f = of(file);
    const int closed = f.below->pMethods->xClose(f.below);
    for (Block& block : f.blocks) {
        delete[] block.data;
    }
    f.~File();
    return closed;
}

int BlockReadingVfs::open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                          int* outFlags) {
    auto* owner = static_cast<BlockReadingVfs*>(vfs->pAppData);
    static_assert(std::is_standard_layout_v<File> && std::is_trivially_destructible_v<File>);
    File* f = new (file) File{};
    f->owner = owner;
    f->below = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + sizeof(File));
    f->below->pMethods = nullptr;
    f->inBlocks = (flags & SQLITE_OPEN_MAIN_DB) != 0 && (flags & SQLITE_OPEN_READONLY) != 0;
    const int opened = owner->below_->xOpen(owner->below_, name, f->below, flags, outFlags);
    if (opened != SQLITE_OK) {
        if (f->below->pMethods) {
            f->below->pMethods->xClose(f->below);
        }
        f->base.pMethods = nullptr;
        return opened;
    }
    f->base.pMethods = &kMethods;
    return SQLITE_OK;
}

BlockReadingVfs::BlockReadingVfs() : below_(sqlite3_vfs_find(nullptr)) {
    if (!below_) {
        return;
    }
    char name[48];
    std::snprintf(name, sizeof name, "blocks-%p", static_cast<void*>(this));
    name_ = name;
    vfs_.iVersion = 2;
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + below_->szOsFile;
    vfs_.mxPathname = below_->mxPathname;
    vfs_.zName = name_.c_str();
    vfs_.pAppData = this;
    vfs_.xOpen = &open;
    vfs_.xDelete = &Calls::deleteFile;
    vfs_.xAccess = &Calls::access;
    vfs_.xFullPathname = &Calls::fullPathname;
    vfs_.xDlOpen = &Calls::dlOpen;
    vfs_.xDlError = &Calls::dlError;
    vfs_.xDlSym = &Calls::dlSym;
    vfs_.xDlClose = &Calls::dlClose;
    vfs_.xRandomness = &Calls::randomness;
    vfs_.xSleep = &Calls::sleep;
    vfs_.xCurrentTime = &Calls::currentTime;
    vfs_.xGetLastError = &Calls::lastError;
    vfs_.xCurrentTimeInt64 = below_->iVersion >= 2 ? &Calls::currentTimeInt64 : nullptr;
    registered_ = sqlite3_vfs_register(&vfs_, 0) == SQLITE_OK;
}

BlockReadingVfs::~BlockReadingVfs() {
    if (registered_) {
        sqlite3_vfs_unregister(&vfs_);
    }
}

}  // namespace platform::qt
