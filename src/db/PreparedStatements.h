#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <unordered_map>
#include <vector>

#include "db/Connection.h"
#include "db/sql/SqlText.h"

namespace fo {

// The statements a run of many rows (a batch posting) prepares, by their
// shape, on the connection it writes on: a statement it runs for every row
// is read by the engine once and then only bound. A text without values
// runs as written. On another connection, or once the connection closed,
// it prepares afresh: values never carry over from one run to the next,
// since every run binds all of them.
class FEEOFFICE_API PreparedStatements {
public:
    RecordsetPtr run(Connection& cn, const SqlText& sql, long* affected = nullptr);  // runs `sql` prepared once on `cn`, its values bound
    void clear() { statements_.clear(); }  // forgets every prepared statement
    // Through `prepared` when there is one, else as written on `cn`: a
    // statement a run of many rows prepares and a single posting only writes.
    static RecordsetPtr run(PreparedStatements* prepared, Connection& cn, const SqlText& sql, long* affected = nullptr) {
        return prepared ? prepared->run(cn, sql, affected) : cn.execute(sql.text(), affected);
    }

    // Runs `sqls` in order as one series (Statement::executeSeries: on a
    // server one round trip) when every one has values to bind, else one by
    // one; each one's set, and its changed rows in `affected`.
    std::vector<RecordsetPtr> runSeries(Connection& cn, const std::vector<const SqlText*>& sqls,
                                        std::vector<long>& affected);

private:
    // The statement of `shape` on `cn`, prepared when it is first asked for.
    Statement& statementFor(Connection& cn, const std::string& shape);
    const Connection* on_ = nullptr;
    std::unordered_map<std::string, Statement> statements_;
};

}  // namespace fo
