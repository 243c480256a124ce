#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <string>

#include "records/records_store.h"
#include "sqlite_direct.h"

namespace records_test {

// An empty temporary working directory for one test; the store is looked up in it.
class StoreDir {
  public:
    StoreDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~StoreDir() { QDir::setCurrent(previous_); }
    StoreDir(const StoreDir&) = delete;
    StoreDir& operator=(const StoreDir&) = delete;

    std::string path(const char* name = "kvt97.mdb") const {
        return QDir(dir_.path()).filePath(QString::fromUtf8(name)).toStdString();
    }
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }
    // Creates the store with the sqlite3 library, as any other tool could.
    bool createStore(const std::string& createTable = records::createTableStatement()) const {
        SqliteDirect db(path());
        return db.ok() && db.exec(createTable);
    }

  private:
    QTemporaryDir dir_;
    QString previous_;
};

}  // namespace records_test
