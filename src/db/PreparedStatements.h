#pragma once
#include <string>
#include <unordered_map>

#include "db/Connection.h"
#include "db/SqlText.h"

namespace fo {

// The statements a run of many rows (a batch posting) prepares, by their
// shape, on the connection it writes on: a statement it runs for every row
// is read by the engine once and then only bound. A text without values
// runs as written. On another connection, or once the connection closed,
// it prepares afresh: values never carry over from one run to the next,
// since every run binds all of them.
class PreparedStatements {
public:
    RecordsetPtr run(Connection& cn, const SqlText& sql, long* affected = nullptr);
    void clear() { statements_.clear(); }

private:
    const Connection* on_ = nullptr;
    std::unordered_map<std::string, Statement> statements_;
};

}  // namespace fo
