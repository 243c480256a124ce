#include "records/sql/sql_store.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <limits>

#include "query_run.h"

namespace records::sql {

namespace {

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("tusko_store_%1").arg(++counter);
}

QVariant text(const std::string& value) {
    return QString::fromStdString(value);
}

}  // namespace

SqlStore::SqlStore(std::unique_ptr<Dialect> dialect, platform::Clock& clock)
    : dialect_(std::move(dialect)), clock_(clock) {}

SqlStore::~SqlStore() {
    closeConnection();
}

bool SqlStore::open() {
    return ready(Kind::Append);
}

bool SqlStore::ready(Kind kind) {
    if (db_.isOpen() && (thread_ != QThread::currentThread() || dialect_->stale())) {
        closeConnection();
    }
    if (db_.isOpen()) {
        return true;
    }
    closeConnection();
    connectionName_ = nextConnectionName();
    db_ = QSqlDatabase::addDatabase(dialect_->driver(), connectionName_);
    thread_ = QThread::currentThread();
    const Fault fault = dialect_->open(db_);
    if (!fault.ok() || !db_.isOpen()) {
        failed(fault.ok() ? Fault{StoreProblem::Other, "cannot open"} : fault, kind);
        return false;
    }
    return true;
}

void SqlStore::closeConnection() {
    insert_.reset();
    if (db_.isValid()) {
        dialect_->closing();
        db_.close();
    }
    db_ = QSqlDatabase();
    if (!connectionName_.isEmpty()) {
        QSqlDatabase::removeDatabase(connectionName_);
        connectionName_.clear();
    }
    thread_ = nullptr;
}

void SqlStore::failed(const Fault& fault, Kind kind) {
    if (kind == Kind::Append || health_.ok() || readProblem_) {
        health_.problem = fault.ok() ? StoreProblem::Other : fault.problem;
        health_.detail = fault.detail;
        readProblem_ = kind == Kind::Read;
    }
    closeConnection();
}

void SqlStore::succeeded(Kind kind) {
    if (kind == Kind::Append || readProblem_) {
        health_.problem = StoreProblem::None;
        health_.detail.clear();
        readProblem_ = false;
    }
}

bool SqlStore::append(const MeasurementRecord& record) {
    return appendWithSite(record, dialect_->site());
}

bool SqlStore::appendWithSite(const MeasurementRecord& record, const std::string& site) {
    if (!ready(Kind::Append)) {
        return false;
    }
    const Fault fault = insert(record, site);
    if (!fault.ok()) {
        failed(fault, Kind::Append);
        return false;
    }
    health_.lastStoredMsecs = clock_.msecsSinceEpoch();
    succeeded(Kind::Append);
    return true;
}

std::vector<bool> SqlStore::appendAll(const std::vector<MeasurementRecord>& records) {
    // One transaction for all of them: one journal and one wait for the disk instead of one for
    // each record, which a plant PC's disk makes long. Should any of it fail, nothing of it is
    // kept, and the records are stored one by one, as if the transaction had not been tried.
    if (records.size() > 1 && ready(Kind::Append) && db_.transaction()) {
        const std::string site = dialect_->site();
        const bool inserted =
            std::all_of(records.begin(), records.end(),
                        [&](const MeasurementRecord& record) { return insert(record, site).ok(); });
        if (inserted && db_.commit()) {
            health_.lastStoredMsecs = clock_.msecsSinceEpoch();
            succeeded(Kind::Append);
            return std::vector<bool>(records.size(), true);
        }
        closeConnection();  // which ends the transaction without keeping any of it
    }
    return Store::appendAll(records);
}

Fault SqlStore::insert(const MeasurementRecord& record, const std::string& site) {
    if (const std::optional<Fault> direct = dialect_->appendDirectly(db_, record, site)) {
        return *direct;
    }
    const Statements& statements = dialect_->statements();
    if (!insert_) {
        insert_ = std::make_unique<QSqlQuery>(db_);
        insert_->setForwardOnly(true);
        if (!insert_->prepare(QString::fromStdString(statements.insert()))) {
            return dialect_->fault(db_, insert_->lastError());
        }
    }
    const std::array<QVariant, kFieldCount> values = {
        QVariant::fromValue<qlonglong>(record.station),
        text(record.date),
        text(record.diameter),
        text(record.flow),
        text(record.percent),
        text(record.rangeRatio),
        text(record.velocity),
        text(record.forwardTotal),
        text(record.reverseTotal),
        text(record.alarm)};
    for (int i = 0; i < static_cast<int>(values.size()); ++i) {
        insert_->bindValue(i, values[static_cast<std::size_t>(i)]);
    }
    if (statements.siteColumn()) {
        insert_->bindValue(static_cast<int>(values.size()),
                           site.empty() ? QVariant(QMetaType(QMetaType::QString)) : text(site));
    }
    // Outside a transaction, a single statement is committed as a transaction of its own.
    if (!insert_->exec()) {
        return dialect_->fault(db_, insert_->lastError());
    }
    insert_->finish();
    return Fault{};
}

std::optional<Bounds> SqlStore::boundsOf(const RecordFilter& filter) {
    Bounds bounds = Bounds::of(filter);
    const Fault fault = dialect_->narrowByDays(db_, bounds);
    if (!fault.ok()) {
        failed(fault, Kind::Read);
        return std::nullopt;
    }
    return bounds;
}

std::optional<std::vector<StoredRecord>> SqlStore::newest(const RecordFilter& filter,
                                                          std::size_t limit) {
    if (!ready(Kind::Read)) {
        return std::nullopt;
    }
    const std::optional<Bounds> bounds = boundsOf(filter);
    if (!bounds) {
        return std::nullopt;
    }
    std::vector<StoredRecord> records;
    if (limit > 0) {
        const auto most = static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max());
        const Statement statement = dialect_->statements().newest(
            *bounds, static_cast<std::int64_t>(std::min(limit, most)));
        records.reserve(std::min<std::size_t>(limit, 1024));
        const RowsRead read =
            dialect_->select(db_, statement, [&](std::int64_t key, const RecordView& fields) {
                StoredRecord& record = records.emplace_back();
                record.key = key;
                for (std::size_t i = 0; i < kFieldCount; ++i) {
                    record.fields[i] = std::string(fields[i]);
                }
                return true;
            });
        if (!read.fault.ok()) {
            failed(read.fault, Kind::Read);
            return std::nullopt;
        }
        std::reverse(records.begin(), records.end());
    }
    succeeded(Kind::Read);
    return records;
}

std::optional<std::int64_t> SqlStore::single(const Statement& statement) {
    QSqlQuery query(db_);
    if (!runStatement(query, statement)) {
        failed(dialect_->fault(db_, query.lastError()), Kind::Read);
        return std::nullopt;
    }
    return query.next() && !query.value(0).isNull() ? query.value(0).toLongLong() : 0;
}

std::optional<std::pair<std::int64_t, std::int64_t>> SqlStore::keyRange() {
    const Statement last = dialect_->statements().lastKey();
    QSqlQuery query(db_);
    if (!runStatement(query, last)) {
        failed(dialect_->fault(db_, query.lastError()), Kind::Read);
        return std::nullopt;
    }
    if (!query.next()) {
        return std::pair<std::int64_t, std::int64_t>{0, -1};
    }
    const std::int64_t highest = query.value(0).toLongLong();
    Bounds none;
    std::int64_t lowest = highest;
    const RowsRead first = dialect_->select(db_, dialect_->statements().walk(none, 1),
                                            [&](std::int64_t key, const RecordView&) {
                                                lowest = key;
                                                return false;
                                            });
    if (!first.fault.ok()) {
        failed(first.fault, Kind::Read);
        return std::nullopt;
    }
    return std::pair<std::int64_t, std::int64_t>{lowest, highest};
}

std::optional<std::int64_t> SqlStore::count(const RecordFilter& filter) {
    if (!ready(Kind::Read)) {
        return std::nullopt;
    }
    std::optional<Bounds> bounds = boundsOf(filter);
    if (!bounds) {
        return std::nullopt;
    }
    const std::int64_t span = dialect_->countSpan();
    std::int64_t total = 0;
    if (span <= 0) {
        const std::optional<std::int64_t> counted = single(dialect_->statements().count(*bounds));
        if (!counted) {
            return std::nullopt;
        }
        total = *counted;
    } else {
        // Span by span of keys, each in a statement of its own.
        const auto range = keyRange();
        if (!range) {
            return std::nullopt;
        }
        std::int64_t from = std::max(range->first - 1, bounds->afterKey);
        const std::int64_t to = std::min(range->second, bounds->upToKey.value_or(range->second));
        while (from < to) {
            Bounds part = *bounds;
            part.afterKey = from;
            part.upToKey = from + std::min(span, to - from);
            const std::optional<std::int64_t> counted = single(dialect_->statements().count(part));
            if (!counted) {
                return std::nullopt;
            }
            total += *counted;
            from = *part.upToKey;
        }
    }
    succeeded(Kind::Read);
    return total;
}

bool SqlStore::walk(const RecordFilter& filter, const RecordSink& sink) {
    if (!ready(Kind::Read)) {
        return false;
    }
    std::optional<Bounds> bounds = boundsOf(filter);
    if (!bounds) {
        return false;
    }
    // Batch by batch, each statement from the last key of the one before, so that no statement
    // holds the store long.
    const std::int64_t batch = dialect_->walkBatch();
    for (;;) {
        const RowsRead read =
            dialect_->select(db_, dialect_->statements().walk(*bounds, batch), sink);
        if (!read.fault.ok()) {
            failed(read.fault, Kind::Read);
            return false;
        }
        if (read.stopped || read.rows < batch) {
            break;
        }
        bounds->afterKey = read.lastKey;
    }
    succeeded(Kind::Read);
    return true;
}

bool SqlStore::clear() {
    if (!ready(Kind::Read)) {
        return false;
    }
    QSqlQuery query(db_);
    if (!runStatement(query, dialect_->statements().clear())) {
        failed(dialect_->fault(db_, query.lastError()), Kind::Read);
        return false;
    }
    succeeded(Kind::Read);
    return true;
}

}  // namespace records::sql
