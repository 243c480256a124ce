#include "platform/qt/records/records_binding_choice.h"

#include <QFileInfo>

#include "platform/qt/records/postgres_records_binding.h"
#include "platform/qt/records/sqlite_records_binding.h"
#include "records/server_settings.h"

namespace platform::qt {

std::unique_ptr<RecordsBinding> recordsBindingForWorkingDirectory() {
    const QString settings = QString::fromUtf8(records::kServerSettingsFile);
    if (QFileInfo::exists(settings)) {
        return std::make_unique<PostgresRecordsBinding>(settings);
    }
    return std::make_unique<SqliteRecordsBinding>();
}

}  // namespace platform::qt
