#include "data/checks/BooksCheck.h"

#include "data/PgServerRoles.h"
#include "data/checks/BooksCheckParts.h"
#include "db/DbError.h"
#include "db/Engine.h"
#include "db/values/Currency.h"
#include "db/values/TextCase.h"

namespace fo {
namespace bookscheck {

std::string nonZero(const std::string& expression) { return "abs(" + expression + ")>" + kTolerance; }

std::string liveRecord(const std::string& alias) {
    return "coalesce(" + alias + ".ysfjlid,0)=0 and not exists(select 1 from kdw_sfjl live where live.ysfjlid=" + alias +
           ".id)";
}

void forEachRow(Connection& cn, const std::string& sql, const std::function<void(Recordset&)>& row) {
    RecordsetPtr rs = cn.execute(sql);
    for (; rs && !rs->eof(); rs->moveNext()) row(*rs);
}

std::string text(const Recordset& rs, const char* field) { return rs.field(field).toText(); }

std::string recordName(const Recordset& rs, const char* djbhField, const char* idField) {
    const std::string djbh = text(rs, djbhField), id = text(rs, idField);
    return djbh.empty() ? "记录 id " + id : djbh + "（id " + id + "）";
}

std::string arrearsName(const Recordset& rs, const char* qfkid, const char* xh, const char* xsid, const char* qfyf) {
    const std::string number = text(rs, xh);
    return "欠费 " + text(rs, qfkid) + "（学生 " + (number.empty() ? "id " + text(rs, xsid) : number) + "，" +
           text(rs, qfyf) + "）";
}

std::string amount(const Recordset& rs, const char* field) {
    // Part of a cent is named as it is: "0.01" for 0.005 would hide the fault.
    const Currency c = rs.field(field).toCurrency();
    return c.raw() % (Currency::Scale / 100) != 0 ? c.plainText() : c.format00();
}

bool isNonZero(const Recordset& rs, const char* field) { return !rs.field(field).toCurrency().isZero(); }

void orphanItems(Connection& cn, Faults& faults, const ItemTable& t) {
    const std::string link = std::string("i.") + t.link;
    forEachRow(cn,
               "select " + link + " as owner,count(*) as n from " + t.items + " i where not exists(select 1 from " +
                   t.owners + " o where o." + t.key + "=" + link + ") group by " + link + " order by " + link,
               [&](Recordset& rs) {
                   faults.add("items-orphan", "有 " + text(rs, "n") + " 条" + t.itemsName + "属于不存在的" +
                                                  t.ownerName + text(rs, "owner") + "。");
               });
}

}  // namespace bookscheck

namespace {

using bookscheck::Faults;

bool onSqlite(const Connection& cn) {
    return equalsIgnoreCase(ConnectionStringParts::parse(cn.connectionString()).provider, "sqlite");
}

// The engine's own check of the file: pages, indexes, free lists.
void checkIntegrity(Connection& cn, Faults& faults) {
    std::vector<std::string> problems;
    bookscheck::forEachRow(cn, "pragma integrity_check", [&](Recordset& rs) {
        const std::string line = rs.field(std::size_t{0}).toText();
        if (line != "ok") problems.push_back(line);
    });
    if (problems.empty()) return;
    std::string shown = problems.front();
    if (problems.size() > 1) shown += "（另有 " + std::to_string(problems.size() - 1) + " 处）";
    faults.add("integrity", "数据库文件已损坏（SQLite 完整性检查）：" + shown + "。请停止记账，从备份恢复。");
}

void checkCounters(const CounterProbe& probe, Faults& faults) {
    for (const CounterReading& c : probe()) {
        if (c.lastIssued >= c.stored) continue;
        faults.add("counter-behind", "计数器 " + c.counter + " 最后发出 " + std::to_string(c.lastIssued) +
                                         "，落后于库中已有的最大值 " + std::to_string(c.stored) +
                                         "：有记录没有经过计数器写入。");
    }
}

}  // namespace

std::vector<BooksFault> checkBooks(Connection& cn, const BooksCheckOptions& options) {
    Faults faults;
    if (onSqlite(cn)) checkIntegrity(cn, faults);
    try {
        bookscheck::checkRecords(cn, faults);
        bookscheck::checkArrears(cn, faults);
        bookscheck::checkRemainders(cn, faults);
        bookscheck::checkBalances(cn, faults);
        bookscheck::checkLedger(cn, faults);
        bookscheck::checkCashTotals(cn, faults);
        if (options.auditTrail) bookscheck::checkAuditTrail(cn, faults);
        // On a server an operator's rights are also his role's memberships.
        if (!onSqlite(cn))
            for (std::string& fault : pgRightMembershipFaults(cn)) faults.add("rights-membership", std::move(fault));
    } catch (const DbError& e) {
        // A damaged file may fail the reads too: say so after the damage.
        if (faults.list().empty() || faults.list().front().code != "integrity") throw;
        faults.add("check-stopped", "因数据库文件损坏，检查未能完成：" + e.description());
    }
    if (options.counters) checkCounters(options.counters, faults);
    return std::move(faults.list());
}

}  // namespace fo
