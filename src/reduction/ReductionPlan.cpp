#include "reduction/ReductionPlan.h"

#include <algorithm>
#include <set>

#include "data/Dialect.h"
#include "db/values/TextCase.h"

namespace fo::jmjl {
namespace {

using plan::cells;
using plan::Datum;

struct OpenItem {
    Value qfkid, xsid, sflxid, sfxmid;
    Currency qfje, fkje, jmje;
    Currency owed;  // before the posting
};

std::vector<OpenItem> itemsOfRows(Connection& cn, const std::vector<std::string>& rows, PreparedStatements* prepared) {
    std::vector<OpenItem> out;
    if (rows.empty()) return out;
    SqlText sql("select qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje from qfmxb where qfkid in(");
    for (std::size_t i = 0; i < rows.size(); ++i) sql.add(i ? "," : "").number(rows[i]);
    RecordsetPtr rs = PreparedStatements::run(prepared, cn, sql.add(") order by listid"));
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back({rs->field("qfkid"), rs->field("xsid"), rs->field("sflxid"), rs->field("sfxmid"),
                       rs->field("qfje").toCurrency(), rs->field("fkje").toCurrency(), rs->field("jmje").toCurrency(),
                       rs->field("qfje").toCurrency() - rs->field("fkje").toCurrency() - rs->field("jmje").toCurrency()});
    return out;
}

std::string idOf(const Value& v) { return std::to_string(v.toInt()); }

}  // namespace

void planRecord(plan::Plan& p, const PlannedRecord& r, const Datum& now, const std::function<SqlText()>& sql,
                BookNames& names) {
    p.run(sql, 1);
    if (!p.describes()) return;
    p.insert("kdw_sfjl", cells({{"id", r.id}}),
             cells({{"id", r.id}, {"sfrq", Value(r.sfrq)}, {"sflxid", Value(r.sflxid)}, {"xsid", Value(r.xsid)},
                    {"bjmc", Value(r.bjmc)}, {"jmje", Value(r.jmje)}, {"jmyy", Value(r.jmyy)}, {"ysfjlid", Value(0)},
                    {"qfkid", Value(0)}, {"hkid", Value(0)}, {"rq", now}, {"operid", Value(r.operid)},
                    {"sfyf", Value(r.sfyf)}, {"skr", Value(r.skr)}, {"djbh", r.djbh}}),
             "减免记录：" + names.student(Value(r.xsid)) + "，减免 " + r.jmje.format00());
}

void planItem(plan::Plan& p, const Datum& recordId, const ItemValues& item, const std::function<SqlText()>& sql,
              BookNames& names) {
    p.run(sql, 1);
    if (!p.describes()) return;
    p.insert("kdw_sfjlmx", cells({{"sfjlid", recordId}, {"sfxmid", Value(item.sfxmid)}}),
             cells({{"sfjlid", recordId}, {"sfxmid", Value(item.sfxmid)}, {"jmje", Value(item.jmje.roundHalfAway(2))},
                    {"feeTermName", Value(item.feeTermName)}, {"cqts", Value(item.cqts)}, {"ysje", Value(item.ysje)},
                    {"ye", Value(0)}}),
             "减免明细：" + names.item(Value(item.sfxmid)) + " " + item.jmje.format00());
}

std::vector<SettledRow> planSettlement(Connection& cn, plan::Plan& p, const SettlementList& list,
                                       const std::string& xsId, const Datum& recordId, HostSystem& run,
                                       plan::Draws& draws, BookNames& names, PreparedStatements* prepared,
                                       const ArrearsOfStudents* held) {
    std::vector<SettledRow> settled;
    if (list.months.empty()) return settled;
    const bool sqlServer = isSqlServer(run.SQL_access());
    const std::string userId = run.gUserid();
    const Datum now = draws.moment();
    const Value student(xsId);

    // The open rows and their items as they stand on `cn` (for a posting:
    // its transaction, under the books' write lock).
    struct OpenRow {
        Value qfkid, xsid, jmje, jmjlid, fkrq;
        std::string qfyf;
    };
    std::vector<OpenRow> rows;
    std::vector<OpenItem> items;
    const std::set<std::string> months(list.months.begin(), list.months.end());
    if (const auto* stored = held && held->connection() == &cn ? held->rowsOf(xsId, months) : nullptr) {
        for (const ArrearsOfStudents::Row& r : *stored) {
            if (!r.fkrq.isNull() || !inPeriods(r.qfyf, months)) continue;
            rows.push_back({r.qfkid, r.xsid, r.jmje, r.jmjlid, r.fkrq, r.qfyf});
            for (const ArrearsOfStudents::Item& i : r.items)
                items.push_back({i.qfkid, i.xsid, i.sflxid, i.sfxmid, i.qfje, i.fkje, i.jmje, i.qfje - i.fkje - i.jmje});
        }
    } else {
        std::vector<std::string> rowIds;
        for (RecordsetPtr open = PreparedStatements::run(prepared, cn, openArrearsQuery(xsId, list.months));
             open && !open->eof(); open->moveNext()) {
            rows.push_back({open->field("qfkid"), open->field("xsid"), open->field("jmje"), open->field("jmjlid"),
                            open->field("fkrq"), open->field("qfyf").toText()});
            rowIds.push_back(idOf(rows.back().qfkid));
        }
        items = itemsOfRows(cn, rowIds, prepared);
    }

    for (const OpenRow& R : rows) {
        const std::string qfkid = idOf(R.qfkid), qfyf = R.qfyf;
        const Value rowXsid = R.xsid;
        const bool describe = p.describes();
        const std::string rowName = describe ? names.student(rowXsid) + "，" + qfyf : std::string();
        auto ofRow = [&](const OpenItem& i) { return idOf(i.qfkid) == qfkid; };

        // Every entry of the row's period goes to the row; an item the row
        // lacks updates nothing. An entry of another period is not the row's
        // to take, though the row may hold the same item: it would be
        // reduced twice, once in each period, and the record count it once.
        for (std::size_t e = 0; e < list.items.size(); ++e) {
            if (e < list.months.size() && !equalsIgnoreCase(list.months[e], qfyf)) continue;
            const SettledItem& entry = list.items[e];
            const Currency amount = leadingNumber(entry.amount);
            const std::string itemId = idOf(Value(entry.itemId));
            long matched = 0;
            for (OpenItem& i : items) {
                if (!ofRow(i) || idOf(i.sfxmid) != itemId || idOf(i.xsid) != xsId) continue;
                ++matched;
                if (describe)
                    p.update("qfmxb", cells({{"qfkid", i.qfkid}, {"sfxmid", i.sfxmid}}), "jmje", Value(i.jmje),
                             Value(amount), "减免欠费明细：" + rowName + "，" + names.item(i.sfxmid));
                i.jmje = amount;
            }
            p.run([&] { return itemReductionUpdate(entry, qfkid, xsId); }, matched);
        }

        SettledRow row{qfkid, qfyf, {}, {}, {}, {}};
        bool any = false;
        for (const OpenItem& i : items)
            if (ofRow(i) && idOf(i.xsid) == xsId) {
                any = true;
                row.capped += std::min(i.jmje, i.qfje);
                row.owed += i.qfje;
            }
        p.read([&] { return cappedSumQuery(sqlServer, qfkid, xsId); },
               {any ? Value(row.capped) : Value(), any ? Value(row.owed) : Value()});
        p.run([&] { return closeArrearsRow(sqlServer, row.capped, recordId.text(), draws.now(), qfkid, xsId); },
              idOf(rowXsid) == xsId ? 1 : 0);
        if (describe) {
            const auto rowKey = cells({{"qfkid", R.qfkid}});
            const std::string closing = "结清欠费：" + rowName + "，减免 " + row.capped.format00();
            p.update("qfhzb", rowKey, "jmje", R.jmje, Value(row.capped), closing);
            p.update("qfhzb", rowKey, "jmjlid", R.jmjlid, recordId, closing);
            p.update("qfhzb", rowKey, "fkrq", R.fkrq, now, closing);
        }

        const bool rest = row.capped < row.owed;
        if (rest) {
            row.successor = draws.id("qfhzb");
            const Currency remainder = row.owed - row.capped;
            p.run([&] {
                return remainderInsert(sqlServer, row.successor.text(), qfyf, idOf(rowXsid), remainder, qfkid, userId,
                                       draws.now());
            }, 1);
            if (describe)
                p.insert("qfhzb", cells({{"qfkid", row.successor}}),
                         cells({{"qfkid", row.successor}, {"qfyf", Value(qfyf)}, {"xsid", rowXsid}, {"qfrq", now},
                                {"qfje", Value(remainder)}, {"sjqfje", Value(0)}, {"fkje", Value(0)},
                                {"yqfkid", R.qfkid}, {"userid", Value(userId)}, {"cqts", Value(0)},
                                {"qjts", Value(0)}, {"jmje", Value(0)}}),
                         "余下欠费：" + rowName + "，尚欠 " + remainder.format00());
        }
        for (const OpenItem& i : items) {
            if (!ofRow(i)) continue;
            const bool copy = rest && idOf(i.xsid) == idOf(rowXsid) && i.fkje < i.qfje;
            if (idOf(i.xsid) == xsId) row.items.push_back({idOf(i.sfxmid), i.qfje, i.owed, i.jmje, copy ? i.qfje - i.jmje : Currency()});
            if (!copy) continue;
            p.run([&] {
                return remainderItemInsert(row.successor.text(), idOf(i.xsid),
                                           i.sflxid.isNull() ? std::string() : idOf(i.sflxid), idOf(i.sfxmid),
                                           i.qfje - i.jmje);
            }, 1);
            if (describe)
                p.insert("qfmxb", cells({{"qfkid", row.successor}, {"sfxmid", i.sfxmid}}),
                         cells({{"qfkid", row.successor}, {"xsid", i.xsid}, {"sflxid", i.sflxid}, {"sfxmid", i.sfxmid},
                                {"qfje", Value(i.qfje - i.jmje)}, {"fkje", Value(0)}, {"jmje", Value(0)}}),
                         "余下欠费明细：" + rowName + "，" + names.item(i.sfxmid) + " " + (i.qfje - i.jmje).format00());
        }
        settled.push_back(std::move(row));
    }
    return settled;
}

}  // namespace fo::jmjl
