#include "records/server_statements.h"

#include "records/records_store.h"

namespace records {

namespace {

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

}  // namespace

std::string quotedIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + '"';
}

ServerStatements::ServerStatements(std::string_view table, bool siteScoped)
    : table_(quotedIdentifier(table)), key_(quotedIdentifier(kKeyField)), siteScoped_(siteScoped) {}

std::string ServerStatements::columns() const {
    return "SELECT * FROM " + table_ + " WHERE false";
}

std::string ServerStatements::lastKey() const {
    return "SELECT " + key_ + " FROM " + table_ + where("") + " ORDER BY " + key_ + " DESC LIMIT 1";
}

std::string ServerStatements::lastKeyUpTo() const {
    return "SELECT " + key_ + " FROM " + table_ + where(key_ + " <= ?") + " ORDER BY " + key_ +
           " DESC LIMIT 1";
}

std::string ServerStatements::insert(const std::vector<std::string>& columns) const {
    if (columns.empty()) {
        return "INSERT INTO " + table_ + " DEFAULT VALUES RETURNING " + key_;
    }
    std::vector<std::string> names;
    std::vector<std::string> marks;
    for (const std::string& column : columns) {
        names.push_back(quotedIdentifier(column));
        marks.emplace_back("?");
    }
    return "INSERT INTO " + table_ + " (" + joined(names) + ") VALUES (" + joined(marks) +
           ") RETURNING " + key_;
}

std::string ServerStatements::newestRows(const std::vector<std::string>& fields) const {
    std::vector<std::string> texts;
    for (const std::string& field : fields) {
        texts.push_back(quotedIdentifier(field) + "::text");
    }
    return "SELECT " + joined(texts) + " FROM " + table_ + where(key_ + " <= ?") + " ORDER BY " +
           key_ + " DESC LIMIT ?";
}

std::string ServerStatements::deleteAll() const {
    return "DELETE FROM " + table_ + where("");
}

std::string ServerStatements::walk(const std::vector<std::string>& fields,
                                   const platform::RowFilter& filter) const {
    std::vector<std::string> columns = {key_};
    for (const std::string& field : fields) {
        columns.push_back(quotedIdentifier(field) + "::text");
    }
    std::string conditions = key_ + " > ?";
    if (filter.station) {
        conditions += " AND " + quotedIdentifier(kFieldNames[0]) + " = ?";
    }
    // Dates are compared as the texts they start with, character by character.
    const std::string day = "substr(" + quotedIdentifier(kFieldNames[1]) + ", 1, 10) COLLATE \"C\"";
    if (filter.fromDate) {
        conditions += " AND " + day + " >= ?";
    }
    if (filter.toDate) {
        conditions += " AND " + day + " <= ?";
    }
    return "SELECT " + joined(columns) + " FROM " + table_ + where(conditions) + " ORDER BY " +
           key_ + " LIMIT ?";
}

std::string ServerStatements::where(const std::string& condition) const {
    std::vector<std::string> conditions;
    if (siteScoped_) {
        conditions.push_back(quotedIdentifier(kSiteField) + " = ?");
    }
    if (!condition.empty()) {
        conditions.push_back(condition);
    }
    std::string text;
    for (const std::string& part : conditions) {
        text += (text.empty() ? " WHERE " : " AND ") + part;
    }
    return text;
}

}  // namespace records
