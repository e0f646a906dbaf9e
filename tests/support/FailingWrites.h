#pragma once
#include <string>

#include "db/Connection.h"
#include "db/pg/PgLink.h"

namespace fo::test {

// Makes every write of `table` that `event` names (" before update on ")
// fail with `message` from now on, as a full disk or a broken link would, on
// the engine `cn` is on (on a server with the error code `code`); the
// returned statement takes that back.
inline std::string failWrites(Connection& cn, const std::string& table, const std::string& message,
                              const std::string& event, const std::string& code = "23000") {
    const std::string name = "fail_" + table;
    if (!isPostgresLink(cn.connectionString())) {
        cn.execute("create trigger " + name + event + table + " begin select raise(abort,'" + message +
                   "'); end");
        return "drop trigger " + name;
    }
    // The body is a quoted literal, so its ';' never ends the statement. By
    // default a constraint's failure, as the embedded engine's raise(abort) is.
    cn.execute("create or replace function " + name + "() returns trigger language plpgsql as 'begin raise exception"
               " ''" + message + "'' using errcode = ''" + code + "''; end'");
    cn.execute("create trigger " + name + event + table + " for each row execute function " + name +
               "()");
    return "drop trigger " + name + " on " + table;
}

// Every update of `table` (of its `column` when one is named).
inline std::string failUpdates(Connection& cn, const std::string& table, const std::string& message,
                               const std::string& column = {}) {
    return failWrites(cn, table, message, column.empty() ? " before update on " : " before update of " + column + " on ");
}

// The same for every row inserted into `table`.
inline std::string failInserts(Connection& cn, const std::string& table, const std::string& message) {
    return failWrites(cn, table, message, " before insert on ");
}

}  // namespace fo::test
