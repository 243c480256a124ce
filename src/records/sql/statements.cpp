#include "records/sql/statements.h"

#include "records/records_store.h"

namespace records::sql {

namespace {

const std::string& dateField() {
    return kFieldNames[1];
}

}  // namespace

std::string quoted(const std::string& identifier) {
    std::string text = "\"";
    for (const char c : identifier) {
        text += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return text + '"';
}

std::optional<std::string> readableDay(std::string_view date) {
    if (date.size() < 10) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? date[i] != '-' : (date[i] < '0' || date[i] > '9')) {
            return std::nullopt;
        }
    }
    return std::string(date.substr(0, 10));
}

Bounds Bounds::of(const RecordFilter& filter) {
    Bounds bounds;
    bounds.afterKey = filter.afterKey;
    bounds.upToKey = filter.upToKey;
    bounds.station = filter.station;
    bounds.fromDay = filter.fromDate;
    bounds.toDay = filter.toDate;
    return bounds;
}

std::string Statements::table() const {
    return quoted(kTable);
}

std::string Statements::keyAndFields() const {
    std::string text = key();
    for (const std::string& field : kFieldNames) {
        text += ", " + asText(field);
    }
    return text;
}

Statement Statements::where(const Bounds& bounds) const {
    Statement s;
    std::vector<std::string> conditions;
    if (const std::optional<Statement> site = scope()) {
        conditions.push_back(site->sql);
        s.values = site->values;
    }
    if (bounds.afterKey > 0) {
        conditions.push_back(key() + " > ?");
        s.values.emplace_back(bounds.afterKey);
    }
    if (bounds.upToKey) {
        conditions.push_back(key() + " <= ?");
        s.values.emplace_back(*bounds.upToKey);
    }
    if (bounds.station) {
        conditions.push_back(quoted(kFieldNames[0]) + " = ?");
        s.values.emplace_back(std::int64_t{*bounds.station});
    }
    if (bounds.fromDay || bounds.toDay) {
        conditions.push_back(dayReadable());
    }
    if (bounds.fromDay) {
        conditions.push_back(day() + " >= ?");
        s.values.emplace_back(*bounds.fromDay);
    }
    if (bounds.toDay) {
        conditions.push_back(day() + " <= ?");
        s.values.emplace_back(*bounds.toDay);
    }
    for (const std::string& condition : conditions) {
        s.sql += (s.sql.empty() ? " WHERE " : " AND ") + condition;
    }
    return s;
}

Statement Statements::newest(const Bounds& bounds, std::int64_t limit) const {
    Statement s = where(bounds);
    s.sql = "SELECT " + keyAndFields() + " FROM " + table() + s.sql + " ORDER BY " + key() +
            " DESC LIMIT ?";
    s.values.emplace_back(limit);
    return s;
}

Statement Statements::count(const Bounds& bounds) const {
    Statement s = where(bounds);
    s.sql = "SELECT count(*) FROM " + table() + s.sql;
    return s;
}

Statement Statements::walk(const Bounds& bounds, std::int64_t limit) const {
    Statement s = where(bounds);
    s.sql =
        "SELECT " + keyAndFields() + " FROM " + table() + s.sql + " ORDER BY " + key() + " LIMIT ?";
    s.values.emplace_back(limit);
    return s;
}

Statement Statements::clear() const {
    Statement s = where({});
    s.sql = "DELETE FROM " + table() + s.sql;
    return s;
}

std::string Statements::insert() const {
    std::string names;
    std::string marks;
    for (const std::string& field : kFieldNames) {
        names += (names.empty() ? "" : ", ") + quoted(field);
        marks += marks.empty() ? "?" : ", ?";
    }
    if (siteColumn()) {
        names += ", " + quoted(kSiteField);
        marks += ", ?";
    }
    return "INSERT INTO " + table() + " (" + names + ") VALUES (" + marks + ")" + afterInsert();
}

Statement Statements::lastKey() const {
    Statement s = where({});
    s.sql = "SELECT " + key() + " FROM " + table() + s.sql + " ORDER BY " + key() + " DESC LIMIT 1";
    return s;
}

std::string SqliteStatements::asText(const std::string& field) const {
    // SQLite hands over the text of any value as it is read; a null reads as no text.
    return quoted(field);
}

std::string SqliteStatements::dayReadable() const {
    return quoted(dateField()) + " GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*'";
}

std::string SqliteStatements::day() const {
    return "substr(" + quoted(dateField()) + ", 1, 10)";
}

PostgresStatements::PostgresStatements(bool hasSiteColumn, std::string site)
    : hasSiteColumn_(hasSiteColumn), site_(std::move(site)) {}

std::string PostgresStatements::afterInsert() const {
    // With the unique key a record that is there already is not stored again and returns no row;
    // without it the clause changes nothing.
    return " ON CONFLICT DO NOTHING RETURNING " + key();
}

std::string PostgresStatements::key() const {
    return quoted(kKeyField);
}

std::string PostgresStatements::asText(const std::string& field) const {
    return "coalesce(" + quoted(field) + "::text, '')";
}

std::string PostgresStatements::dayReadable() const {
    return quoted(dateField()) + " ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}'";
}

std::string PostgresStatements::day() const {
    return "substr(" + quoted(dateField()) + ", 1, 10) COLLATE \"C\"";
}

std::optional<Statement> PostgresStatements::scope() const {
    if (!hasSiteColumn_ || site_.empty()) {
        return std::nullopt;
    }
    return Statement{quoted(kSiteField) + " = ?", {site_}};
}

}  // namespace records::sql
