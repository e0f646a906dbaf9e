#include "db/PreparedStatements.h"

namespace fo {

RecordsetPtr PreparedStatements::run(Connection& cn, const SqlText& sql, long* affected) {
    if (!sql.bindable()) return cn.execute(sql.text(), affected);
    if (on_ != &cn) {
        statements_.clear();
        on_ = &cn;
    }
    auto found = statements_.find(sql.shape());
    if (found != statements_.end() && !found->second.usable()) {
        statements_.clear();
        found = statements_.end();
    }
    if (found == statements_.end()) found = statements_.emplace(sql.shape(), cn.prepare(sql.shape())).first;
    return found->second.bindAll(sql.values()).execute(affected);
}

}  // namespace fo
