#pragma once

#include <functional>

#include "platform/qt/records/sqlite_records_binding.h"

namespace e2e {

// The real SQLite binding, with a hook that runs just before a new record is stored, so that a
// test can see what the window showed at that moment.
class RecordingBinding final : public platform::RecordsBinding {
  public:
    std::function<void()> beforeUpdate;

    bool setDatabaseName(const std::string& fileName) override {
        return real_.setDatabaseName(fileName);
    }
    bool setRecordSource(const std::string& table) override { return real_.setRecordSource(table); }
    bool refresh() override { return real_.refresh(); }
    std::optional<bool> beforeFirst() override { return real_.beforeFirst(); }
    bool moveLast() override { return real_.moveLast(); }
    bool movePrevious() override { return real_.movePrevious(); }
    std::optional<std::int64_t> recordCount() override { return real_.recordCount(); }
    bool addNew() override { return real_.addNew(); }
    bool setField(const std::string& name, const platform::FieldValue& value) override {
        return real_.setField(name, value);
    }
    bool update() override {
        if (beforeUpdate) {
            beforeUpdate();
        }
        return real_.update();
    }
    std::optional<std::string> fieldText(const std::string& name) override {
        return real_.fieldText(name);
    }
    bool deleteCurrent() override { return real_.deleteCurrent(); }
    std::optional<std::vector<std::vector<std::string>>> newestRows(
        const std::vector<std::string>& fields, std::size_t limit) override {
        return real_.newestRows(fields, limit);
    }
    bool deleteAll() override { return real_.deleteAll(); }

  private:
    platform::qt::SqliteRecordsBinding real_;
};

}  // namespace e2e
