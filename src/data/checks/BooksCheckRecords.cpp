// Fee records: mirrors against their sources, records against their items,
// voided receipts, the cash journal's mirrors, numbers used twice.
#include <map>
#include <utility>

#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {
namespace {

// Every money column of a fee record; a mirror negates each of them.
const char* const kRecordAmounts[] = {"je", "tzje", "zhekou", "scjy", "hkje", "ssje", "ysk", "jmje"};
// And of an item row.
const char* const kItemAmounts[] = {"je", "ysje", "ye", "jmje", "ysk"};

std::string sumOf(const char* m, const char* s, const char* column) {
    return "coalesce(" + std::string(m) + "." + column + ",0)+coalesce(" + s + "." + column + ",0)";
}

void mirrorSources(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select m.id,m.djbh,m.ysfjlid from kdw_sfjl m where coalesce(m.ysfjlid,0)<>0"
               " and not exists(select 1 from kdw_sfjl s where s.id=m.ysfjlid) order by m.id",
               [&](Recordset& rs) {
                   faults.add("mirror-source", "冲销记录 " + recordName(rs, "djbh", "id") + " 所冲销的记录 id " +
                                                   text(rs, "ysfjlid") + " 不存在。");
               });
    // A source cancelled twice, and a mirror that was itself cancelled.
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> twice;
    forEachRow(cn,
               "select s.id as sid,s.djbh as sdjbh,m.id as mid,m.djbh as mdjbh from kdw_sfjl m inner join kdw_sfjl s"
               " on s.id=m.ysfjlid where m.ysfjlid in(select ysfjlid from kdw_sfjl where coalesce(ysfjlid,0)<>0"
               " group by ysfjlid having count(*)>1) order by s.id,m.id",
               [&](Recordset& rs) {
                   auto& entry = twice[text(rs, "sid")];
                   entry.first = recordName(rs, "sdjbh", "sid");
                   entry.second.push_back(recordName(rs, "mdjbh", "mid"));
               });
    for (const auto& [id, entry] : twice) {
        std::string mirrors;
        for (const std::string& m : entry.second) mirrors += (mirrors.empty() ? "" : "、") + m;
        faults.add("mirror-twice", "记录 " + entry.first + " 被冲销了 " + std::to_string(entry.second.size()) +
                                       " 次：" + mirrors + "。");
    }
    forEachRow(cn,
               "select m.id as mid,m.djbh as mdjbh,c.id as cid,c.djbh as cdjbh from kdw_sfjl m inner join kdw_sfjl c"
               " on c.ysfjlid=m.id where coalesce(m.ysfjlid,0)<>0 order by m.id",
               [&](Recordset& rs) {
                   faults.add("mirror-of-mirror", "冲销记录 " + recordName(rs, "mdjbh", "mid") + " 又被 " +
                                                      recordName(rs, "cdjbh", "cid") + " 冲销。");
               });
}

void mirrorAmounts(Connection& cn, Faults& faults) {
    std::string select = "select m.id as mid,m.djbh as mdjbh,s.id as sid,s.djbh as sdjbh,m.xsid as mx,s.xsid as sx";
    std::string differs = "m.xsid<>s.xsid";
    for (const char* c : kRecordAmounts) {
        select += "," + sumOf("m", "s", c) + " as d_" + c;
        differs += " or " + nonZero(sumOf("m", "s", c));
    }
    forEachRow(cn,
               select + " from kdw_sfjl m inner join kdw_sfjl s on s.id=m.ysfjlid where coalesce(m.ysfjlid,0)<>0 and (" +
                   differs + ") order by m.id",
               [&](Recordset& rs) {
                   std::string columns;
                   if (text(rs, "mx") != text(rs, "sx")) columns = "xsid";
                   for (const char* c : kRecordAmounts)
                       if (isNonZero(rs, ("d_" + std::string(c)).c_str())) columns += (columns.empty() ? "" : "、") + std::string(c);
                   faults.add("mirror-amount", "冲销记录 " + recordName(rs, "mdjbh", "mid") + " 与原记录 " +
                                                   recordName(rs, "sdjbh", "sid") + " 不相抵：" + columns + "。");
               });

    // Items have no key of their own: per fee item, the mirror's rows and
    // the source's rows must sum to zero and be as many.
    std::string sums, rowsOf;
    for (const char* c : kItemAmounts) {
        sums += std::string(",sum(x.") + c + ") as " + c;
        rowsOf += std::string(",i.") + c;
    }
    std::string unbalanced = "sum(x.n)<>0";
    for (const char* c : kItemAmounts) unbalanced += " or " + nonZero(std::string("sum(x.") + c + ")");
    std::map<std::string, std::pair<std::string, std::string>> broken;  // mirror id -> names, items
    forEachRow(cn,
               "select x.mid,x.sfxmid" + sums + " from (select m.id as mid,i.sfxmid" + rowsOf +
                   ",1 as n from kdw_sfjl m inner join kdw_sfjlmx i on i.sfjlid=m.id where coalesce(m.ysfjlid,0)<>0"
                   " union all select m.id,i.sfxmid" + rowsOf +
                   ",-1 from kdw_sfjl m inner join kdw_sfjlmx i on i.sfjlid=m.ysfjlid where coalesce(m.ysfjlid,0)<>0"
                   ") x group by x.mid,x.sfxmid having " + unbalanced + " order by x.mid,x.sfxmid",
               [&](Recordset& rs) {
                   auto& entry = broken[text(rs, "mid")];
                   entry.second += (entry.second.empty() ? "" : "、") + text(rs, "sfxmid");
               });
    for (auto& [mid, entry] : broken) {
        forEachRow(cn, "select m.id as mid,m.djbh as mdjbh,s.id as sid,s.djbh as sdjbh from kdw_sfjl m inner join"
                       " kdw_sfjl s on s.id=m.ysfjlid where m.id=" + mid,
                   [&](Recordset& rs) {
                       faults.add("mirror-items", "冲销记录 " + recordName(rs, "mdjbh", "mid") + " 的明细与原记录 " +
                                                      recordName(rs, "sdjbh", "sid") + " 的明细不相抵（收费项目 " +
                                                      entry.second + "）。");
                   });
    }
}

// The cash journal: a mirror row negates its source row and lines, and a
// cancelled charge that had a journal row has its mirror row.
void journalMirrors(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select m.id,m.djbh,m.yjlid,s.id as sid from INandOutML m left join INandOutML s on s.id=m.yjlid"
               " and coalesce(s.yjlid,0)=0 where coalesce(m.yjlid,0)<>0 and (s.id is null or " +
                   nonZero("coalesce(m.je,0)+coalesce(s.je,0)") + ") order by m.id",
               [&](Recordset& rs) {
                   faults.add("journal-mirror",
                              rs.field("sid").isNull()
                                  ? "现金日记账冲销行 " + recordName(rs, "djbh", "id") + " 所冲销的日记账行 " +
                                        text(rs, "yjlid") + " 不存在。"
                                  : "现金日记账冲销行 " + recordName(rs, "djbh", "id") + " 的金额与日记账行 " +
                                        text(rs, "yjlid") + " 不相抵。");
               });
    forEachRow(cn,
               "select x.mid from (select m.id as mid,l.subid,l.jd,l.rootid,l.addje,l.subje,1 as n from INandOutML m"
               " inner join INandOut l on l.num=m.id where coalesce(m.yjlid,0)<>0 union all select m.id,l.subid,l.jd,"
               "l.rootid,l.addje,l.subje,-1 from INandOutML m inner join INandOut l on l.num=m.yjlid where"
               " coalesce(m.yjlid,0)<>0) x group by x.mid,x.subid,x.jd,x.rootid having sum(x.n)<>0 or " +
                   nonZero("sum(x.addje)") + " or " + nonZero("sum(x.subje)") + " order by x.mid",
               [&](Recordset& rs) {
                   faults.add("journal-mirror", "现金日记账冲销行 " + text(rs, "mid") + " 的分录与原分录不相抵。");
               });
    forEachRow(cn,
               "select m.id as mid,m.djbh as mdjbh,s.id as sid,s.djbh as sdjbh from kdw_sfjl m inner join kdw_sfjl s"
               " on s.id=m.ysfjlid where coalesce(m.ysfjlid,0)<>0 and exists(select 1 from INandOutML j where"
               " j.id=s.id and coalesce(j.yjlid,0)=0) and not exists(select 1 from INandOutML j where j.id=m.id and"
               " j.yjlid=s.id) order by m.id",
               [&](Recordset& rs) {
                   faults.add("journal-mirror", "冲销记录 " + recordName(rs, "mdjbh", "mid") + " 没有冲销原记录 " +
                                                    recordName(rs, "sdjbh", "sid") + " 的现金日记账行。");
               });
}

// A reduction's amount is its items' reductions; a charge's, its items'
// amounts.
void recordsAgainstItems(Connection& cn, Faults& faults) {
    const struct {
        const char* column;
        const char* kinds;
        const char* what;
    } rules[] = {
        {"jmje", "(a.djbh like 'JM%' or a.djbh like 'QXJM%')", "减免金额"},
        {"je", "(a.djbh like 'SF%' or a.djbh like 'TF%' or a.djbh like 'YSK%' or a.djbh like 'QXSF%')", "金额"},
    };
    for (const auto& rule : rules) {
        const std::string col = rule.column;
        const std::string items = "(select sum(i." + col + ") from kdw_sfjlmx i where i.sfjlid=a.id)";
        forEachRow(cn,
                   "select a.id,a.djbh,a." + col + " as own,coalesce(" + items + ",0) as items from kdw_sfjl a where " +
                       rule.kinds + " and " + nonZero("coalesce(a." + col + ",0)-coalesce(" + items + ",0)") +
                       " order by a.id",
                   [&](Recordset& rs) {
                       faults.add("record-items", "记录 " + recordName(rs, "djbh", "id") + " 的" + rule.what + " " +
                                                      amount(rs, "own") + " 不等于其明细合计 " + amount(rs, "items") +
                                                      "。");
                   });
    }
    orphanItems(cn, faults, {"kdw_sfjlmx", "sfjlid", "kdw_sfjl", "id", "收费明细", "记录 id "});
}

void voidedReceipts(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select p.id as pid,p.djbh,a.id from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
               " p.pjState='作废' and " + liveRecord("a") + " order by p.id",
               [&](Recordset& rs) {
                   faults.add("void-live", "票据 " + text(rs, "djbh") + "（票据 id " + text(rs, "pid") +
                                               "）已作废，但其收费记录 id " + text(rs, "id") + " 没有被冲销。");
               });
}

void duplicates(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select djbh,count(*) as n from kdw_sfjl where djbh<>'' group by djbh having count(*)>1 order by djbh",
               [&](Recordset& rs) {
                   faults.add("duplicate-number", "单据编号 " + text(rs, "djbh") + " 被 " + text(rs, "n") +
                                                      " 条收费记录使用。");
               });
    forEachRow(cn, "select id,count(*) as n from INandOutML group by id having count(*)>1 order by id",
               [&](Recordset& rs) {
                   faults.add("duplicate-id", "现金日记账 id " + text(rs, "id") + " 被使用了 " + text(rs, "n") +
                                                  " 次。");
               });
}

}  // namespace

void checkRecords(Connection& cn, Faults& faults) {
    mirrorSources(cn, faults);
    mirrorAmounts(cn, faults);
    journalMirrors(cn, faults);
    recordsAgainstItems(cn, faults);
    voidedReceipts(cn, faults);
    duplicates(cn, faults);
}

}  // namespace fo::bookscheck
