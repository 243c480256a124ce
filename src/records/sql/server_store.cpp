#include "records/sql/server_store.h"

#include <QFile>
#include <QFileInfo>
#include <string_view>
#include <utility>

#include "records/server_settings.h"
#include "records/sql/postgres_dialect.h"

namespace records::sql {

namespace {

constexpr qint64 kMaxSettingsBytes = 64 * 1024;

}  // namespace

ServerStore::ServerStore(QString settingsFile, QString spoolFile, platform::Clock& clock,
                         Backoff backoff)
    : settingsFile_(std::move(settingsFile)), clock_(clock), spool_(spoolFile, Spool::Use::Keep) {
    std::int64_t waiting = 0;
    spoolFault_ = spool_.count(waiting);
    sender_ = std::make_unique<ServerSender>(settingsFile_, spoolFile, clock, backoff, waiting);
}

ServerStore::~ServerStore() = default;

std::string ServerStore::site() {
    if (!site_) {
        QFile file(settingsFile_);
        // Anything but a regular file (a FIFO, a device) could keep the open waiting for ever.
        if (QFileInfo(settingsFile_).isFile() && file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.read(kMaxSettingsBytes);
            const Checked<ServerSettings> settings = parseServerSettings(
                std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
            if (settings.value) {
                site_ = settings.value->site;
            }
        }
    }
    return site_.value_or(std::string());
}

bool ServerStore::append(const MeasurementRecord& record) {
    spoolFault_ = spool_.add(record, site(), clock_.msecsSinceEpoch());
    if (!spoolFault_.ok()) {
        return false;
    }
    sender_->recordAdded();
    return true;
}

std::vector<bool> ServerStore::appendAll(const std::vector<MeasurementRecord>& records) {
    // Into the spool together, with one wait for the disk; should that fail, one by one, so that
    // no record is lost for another's failure.
    spoolFault_ = spool_.addAll(records, site(), clock_.msecsSinceEpoch());
    if (!spoolFault_.ok()) {
        return Store::appendAll(records);
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        sender_->recordAdded();
    }
    return std::vector<bool>(records.size(), true);
}

StoreHealth ServerStore::health() const {
    const ServerSender::State sending = sender_->state();
    StoreHealth health;
    const Fault& fault = spoolFault_.ok() ? sending.fault : spoolFault_;
    health.problem = fault.problem;
    health.detail = fault.detail;
    health.lastStoredMsecs = sending.lastStoredMsecs;
    health.waiting = sending.waiting;
    return health;
}

SqlStore& ServerStore::reader() {
    if (!reader_) {
        reader_ = std::make_unique<SqlStore>(
            std::make_unique<PostgresDialect>(settingsFile_, PostgresDialect::Role::Reading),
            clock_);
    }
    return *reader_;
}

std::optional<std::vector<StoredRecord>> ServerStore::newest(const RecordFilter& filter,
                                                             std::size_t limit) {
    return reader().newest(filter, limit);
}

std::optional<std::int64_t> ServerStore::count(const RecordFilter& filter) {
    return reader().count(filter);
}

bool ServerStore::walk(const RecordFilter& filter, const RecordSink& sink) {
    return reader().walk(filter, sink);
}

bool ServerStore::clear() {
    return reader().clear();
}

}  // namespace records::sql
