#include "platform/qt/trend/trend_rows_choice.h"

#include <QFileInfo>

#include "platform/qt/trend/background_thread.h"
#include "platform/qt/trend/file_summary_shelf.h"
#include "platform/qt/trend/postgres_trend_rows.h"
#include "platform/qt/trend/sqlite_trend_rows.h"
#include "records/records_store.h"
#include "records/server_settings.h"

namespace platform::qt {

trend::TrendRowsMaker trendRowsForWorkingDirectory() {
    const QFileInfo settings(QString::fromUtf8(records::kServerSettingsFile));
    if (settings.exists()) {
        return inBackground(
            [path = settings.absoluteFilePath()]() -> std::unique_ptr<trend::TrendRows> {
                return std::make_unique<PostgresTrendRows>(path);
            });
    }
    return inBackground([path = QFileInfo(QString::fromUtf8(records::kDatabaseFile))
                                    .absoluteFilePath()]() -> std::unique_ptr<trend::TrendRows> {
        return std::make_unique<SqliteTrendRows>(path);
    });
}

std::unique_ptr<trend::SummaryShelf> trendShelfForWorkingDirectory() {
    if (QFileInfo::exists(QString::fromUtf8(records::kServerSettingsFile))) {
        return nullptr;
    }
    return summaryShelfOf(QString::fromUtf8(records::kDatabaseFile));
}

}  // namespace platform::qt
