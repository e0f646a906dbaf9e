// The audit log against the books: every posting made since the log began
// has its row, and every row of a posting names one that is there. A trail
// removed by hand, or a record written past the program, shows here.
#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {
namespace {

// The log's rows of postings that committed ("完成"); a failed posting's row
// names a document that was never written.
const char* const kDone = "'完成'";
// Postings entered since the log's first row: older books (from before the
// program kept a log) are not asked for rows they never had.
const char* const kSinceTheLogBegan = " >= (select min(logtime) from sys_log)";

}  // namespace

void checkAuditTrail(Connection& cn, Faults& faults) {
    const struct {
        const char* prefix;      // the records' document prefix
        const char* operations;  // the log's operations that post them
        const char* caption;
    } kinds[] = {{"JM", "'减免','批量减免'", "减免"}, {"QXJM", "'取消减免'", "取消减免"}};
    for (const auto& k : kinds) {
        const std::string prefix = std::string("substr(%.djbh,1,") + std::to_string(std::char_traits<char>::length(k.prefix)) +
                                   ")='" + k.prefix + "'";
        const auto of = [&prefix](const char* alias) {
            std::string s = prefix;
            s.replace(s.find('%'), 1, alias);
            return s;
        };
        forEachRow(cn,
                   "select r.id,r.djbh from kdw_sfjl r where " + of("r") + " and r.rq" + kSinceTheLogBegan +
                       " and not exists(select 1 from sys_log l where l.djbh=r.djbh and l.outcome=" + kDone +
                       " and l.operation in(" + k.operations + ")) order by r.id",
                   [&](Recordset& rs) {
                       faults.add("audit-missing", std::string(k.caption) + "记录 " + recordName(rs, "djbh", "id") +
                                                       " 在操作日志中没有记载。");
                   });
        forEachRow(cn,
                   "select l.id,l.djbh,l.logtime,l.username from sys_log l where l.outcome=" + std::string(kDone) +
                       " and l.operation in(" + k.operations +
                       ") and not exists(select 1 from kdw_sfjl r where r.djbh=l.djbh) order by l.id",
                   [&](Recordset& rs) {
                       faults.add("audit-orphan", "操作日志第 " + text(rs, "id") + " 条（" + text(rs, "logtime") + "，" +
                                                      text(rs, "username") + "）记载的" + k.caption + " " +
                                                      text(rs, "djbh") + " 在账中不存在。");
                   });
    }
    forEachRow(cn,
               "select p.id,p.djbh from PJML p where p.pjState='作废' and p.zfrq" + std::string(kSinceTheLogBegan) +
                   " and not exists(select 1 from sys_log l where l.djbh=p.djbh and l.outcome=" + kDone +
                   " and l.operation='作废票据') order by p.id",
               [&](Recordset& rs) {
                   faults.add("audit-missing",
                              "作废的票据 " + recordName(rs, "djbh", "id") + " 在操作日志中没有作废的记载。");
               });
    forEachRow(cn,
               "select l.id,l.djbh,l.logtime,l.username from sys_log l where l.outcome=" + std::string(kDone) +
                   " and l.operation='作废票据' and not exists(select 1 from PJML p where p.djbh=l.djbh"
                   " and p.pjState='作废') order by l.id",
               [&](Recordset& rs) {
                   faults.add("audit-orphan", "操作日志第 " + text(rs, "id") + " 条（" + text(rs, "logtime") + "，" +
                                                  text(rs, "username") + "）记载作废的票据 " + text(rs, "djbh") +
                                                  " 在账中不存在或没有作废。");
               });
}

}  // namespace fo::bookscheck
