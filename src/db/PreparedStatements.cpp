#include "db/PreparedStatements.h"

#include <algorithm>
#include <utility>

namespace fo {

Statement& PreparedStatements::statementFor(Connection& cn, const std::string& shape) {
    if (on_ != &cn) {
        statements_.clear();
        on_ = &cn;
    }
    auto found = statements_.find(shape);
    if (found != statements_.end() && !found->second.usable()) {
        statements_.clear();
        found = statements_.end();
    }
    if (found == statements_.end()) found = statements_.emplace(shape, cn.prepare(shape)).first;
    return found->second;
}

RecordsetPtr PreparedStatements::run(Connection& cn, const SqlText& sql, long* affected) {
    if (!sql.bindable()) return cn.execute(sql.text(), affected);
    return statementFor(cn, sql.shape()).bindAll(sql.values()).execute(affected);
}

std::vector<RecordsetPtr> PreparedStatements::runSeries(Connection& cn, const std::vector<const SqlText*>& sqls,
                                                        std::vector<long>& affected) {
    if (!std::all_of(sqls.begin(), sqls.end(), [](const SqlText* sql) { return sql->bindable(); })) {
        std::vector<RecordsetPtr> sets;
        affected.assign(sqls.size(), 0);
        for (std::size_t i = 0; i < sqls.size(); ++i) sets.push_back(run(cn, *sqls[i], &affected[i]));
        return sets;
    }
    std::vector<Statement::Run> runs;
    runs.reserve(sqls.size());
    for (const SqlText* sql : sqls) runs.emplace_back(&statementFor(cn, sql->shape()), sql->values());
    return Statement::executeSeries(runs, affected);
}

}  // namespace fo
