#pragma once

namespace records_test {

// While an object lives, SQLite in this process writes through a file system of the test's own
// whose disk can be made full: every write then fails as a write to a full disk does. Only one
// object may live at a time; connections opened before it are not affected.
class FullDisk {
  public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    void fill(bool full);
};

}  // namespace records_test
