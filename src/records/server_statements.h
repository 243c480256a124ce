#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/records_binding.h"

namespace records {

// An identifier for PostgreSQL: in double quotes, a double quote inside doubled.
std::string quotedIdentifier(std::string_view name);

// The statements the records binding runs on a PostgreSQL server, over one table whose rows are
// ordered by the key "序号". Values are bound to the "?" marks in the order each statement gives.
// With `siteScoped` the record set is the rows of one site ("站点"): every statement except
// insert then takes the site as its first bound value.
class ServerStatements {
  public:
    ServerStatements(std::string_view table, bool siteScoped);

    // Selects no row; its result names the table's columns.
    std::string columns() const;
    // The key of the newest row. Binds: [site].
    std::string lastKey() const;
    // The key of the newest row whose key is at most a bound. Binds: [site], bound.
    std::string lastKeyUpTo() const;
    // Appends one row and returns its key. Binds: one value per column, in their order.
    std::string insert(const std::vector<std::string>& columns) const;
    // The newest rows whose key is at most a bound, newest first, each field as text (null for
    // a null value). Binds: [site], bound, limit.
    std::string newestRows(const std::vector<std::string>& fields) const;
    // Deletes the record set's rows. Binds: [site].
    std::string deleteAll() const;
    // One batch of a walk: the rows with a key above a bound that pass the filter, oldest first,
    // each as its key and then its fields as text. Binds: [site], bound, then the filter's
    // station, from date and to date where it has them, then the most rows to return.
    std::string walk(const std::vector<std::string>& fields,
                     const platform::RowFilter& filter) const;

  private:
    // "WHERE …" with the site condition and `condition`, either of which may be absent.
    std::string where(const std::string& condition) const;

    std::string table_;
    std::string key_;
    bool siteScoped_;
};

}  // namespace records
