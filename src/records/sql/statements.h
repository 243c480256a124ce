#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "records/store.h"

namespace records::sql {

using SqlValue = std::variant<std::int64_t, std::string>;

// A statement with its values, bound to its "?" marks in order.
struct Statement {
    std::string sql;
    std::vector<SqlValue> values;
};

// The rows a read takes, as conditions on the key, the station and the day of "日期". A day is
// readable when "日期" begins with "yyyy-MM-dd" (digits and two dashes, as the program writes
// it); a record whose day is not readable never passes a day bound.
struct Bounds {
    std::int64_t afterKey = 0;
    std::optional<std::int64_t> upToKey;
    std::optional<std::uint8_t> station;
    std::optional<std::string> fromDay;
    std::optional<std::string> toDay;

    static Bounds of(const RecordFilter& filter);
};

// The statements of the records store over one table, for one database engine. Fields are read
// back as text; a null reads as an empty text.
class Statements {
  public:
    virtual ~Statements() = default;

    // Appends one record. Binds: the ten fields in their order, then the site where the table
    // takes one (siteColumn()). On a server it returns the key, or no row when the record was
    // there already.
    [[nodiscard]] std::string insert() const;
    // The newest `limit` records that pass, newest first: the key and the ten fields.
    [[nodiscard]] Statement newest(const Bounds& bounds, std::int64_t limit) const;
    // How many records pass.
    [[nodiscard]] Statement count(const Bounds& bounds) const;
    // Up to `limit` records that pass, oldest first: the key and the ten fields.
    [[nodiscard]] Statement walk(const Bounds& bounds, std::int64_t limit) const;
    // Deletes every record in the scope (one site's on a table shared by several).
    [[nodiscard]] Statement clear() const;
    // The newest key in the scope; no row when there is none.
    [[nodiscard]] Statement lastKey() const;

    // Whether inserts carry the site.
    [[nodiscard]] virtual bool siteColumn() const { return false; }

  protected:
    // What follows the values of an insert.
    [[nodiscard]] virtual std::string afterInsert() const { return {}; }
    // The key column ("rowid", "序号").
    [[nodiscard]] virtual std::string key() const = 0;
    // A field as text, a null as an empty text.
    [[nodiscard]] virtual std::string asText(const std::string& field) const = 0;
    // True when "日期" begins with a readable day; no marks.
    [[nodiscard]] virtual std::string dayReadable() const = 0;
    // The day part of "日期", compared as text byte by byte.
    [[nodiscard]] virtual std::string day() const = 0;
    // The scope's condition and values ("站点" = ? on a site's share of a table); none: all.
    [[nodiscard]] virtual std::optional<Statement> scope() const { return std::nullopt; }
    [[nodiscard]] virtual std::string table() const;

    // The ten fields as text, after the key.
    [[nodiscard]] std::string keyAndFields() const;

  private:
    [[nodiscard]] Statement where(const Bounds& bounds) const;
};

// SQLite: the key is the rowid, the order in which records were appended.
class SqliteStatements final : public Statements {
  protected:
    [[nodiscard]] std::string key() const override { return "rowid"; }
    [[nodiscard]] std::string asText(const std::string& field) const override;
    [[nodiscard]] std::string dayReadable() const override;
    [[nodiscard]] std::string day() const override;
};

// PostgreSQL: the key is "序号", numbered by the server as records arrive. With `site` and a
// table that has "站点", the records of that site are the store's; a table with "站点" takes the
// site with each insert (a null when the site is empty).
class PostgresStatements final : public Statements {
  public:
    PostgresStatements(bool hasSiteColumn, std::string site);

    [[nodiscard]] bool siteColumn() const override { return hasSiteColumn_; }

  protected:
    [[nodiscard]] std::string afterInsert() const override;
    [[nodiscard]] std::string key() const override;
    [[nodiscard]] std::string asText(const std::string& field) const override;
    [[nodiscard]] std::string dayReadable() const override;
    [[nodiscard]] std::string day() const override;
    [[nodiscard]] std::optional<Statement> scope() const override;

  private:
    bool hasSiteColumn_;
    std::string site_;
};

// An identifier in double quotes, a double quote inside doubled.
[[nodiscard]] std::string quoted(const std::string& identifier);

// The day "日期" begins with, when it is readable ("yyyy-MM-dd").
[[nodiscard]] std::optional<std::string> readableDay(std::string_view date);

}  // namespace records::sql
