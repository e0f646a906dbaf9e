// Remainder rows: what a closed row left open is owed by exactly one row
// split off it, header and items; a row left owing nothing has none; a
// remainder never hangs under an open row.
#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {
namespace {

// What a closed row (alias p) left owing.
const std::string kRest = "(p.qfje-p.fkje-p.jmje)";
// A remainder (r) beside its parent (p), both named with the student's number.
const std::string kPair =
    "select r.qfkid as rq,r.xsid as rx,r.qfyf as ry,rs.xh as rh,p.qfkid,p.xsid,p.qfyf,x.xh,r.qfje as owes," + kRest +
    " as rest from qfhzb r inner join qfhzb p on p.qfkid=r.yqfkid left join kdw_xs x on x.id=p.xsid"
    " left join kdw_xs rs on rs.id=r.xsid where coalesce(r.yqfkid,0)<>0";

std::string remainderName(Recordset& rs) { return arrearsName(rs, "rq", "rh", "rx", "ry"); }

void countPerParent(Connection& cn, Faults& faults) {
    const std::string count = "(select count(*) from qfhzb r where r.yqfkid=p.qfkid)";
    forEachRow(cn,
               "select p.qfkid,p.xsid,p.qfyf,x.xh," + kRest + " as rest," + count +
                   " as n from qfhzb p left join kdw_xs x on x.id=p.xsid where p.fkrq is not null and ((" + kRest +
                   ">" + kTolerance + " and " + count + "=0) or " + count + ">1 or (" + kRest + "<=" + kTolerance +
                   " and " + count + "=1)) order by p.qfkid",
               [&](Recordset& rs) {
                   if (rs.field("n").toInt() == 0)
                       faults.add("remainder-missing", arrearsName(rs) + " 结清后还欠 " + amount(rs, "rest") +
                                                           "，却没有余欠行。");
                   else if (rs.field("n").toInt() == 1)
                       // Its reduction and payment covered it: a remainder
                       // would be owed twice (or owe nothing, and still be listed).
                       faults.add("remainder-covered", arrearsName(rs) + " 已全部结清，却还有余欠行。");
                   else
                       faults.add("remainder-twice", arrearsName(rs) + " 有 " + text(rs, "n") + " 个余欠行。");
               });
}

void orphans(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select r.qfkid,r.xsid,r.qfyf,x.xh,r.yqfkid,p.qfkid as parent from qfhzb r left join qfhzb p on"
               " p.qfkid=r.yqfkid left join kdw_xs x on x.id=r.xsid where coalesce(r.yqfkid,0)<>0 and"
               " (p.qfkid is null or p.fkrq is null) order by r.qfkid",
               [&](Recordset& rs) {
                   faults.add("remainder-orphan",
                              "余欠行 " + arrearsName(rs) + " 所属的欠费 " + text(rs, "yqfkid") +
                                  (rs.field("parent").isNull() ? " 不存在。" : " 未结清：同一笔欠费被记了两次。"));
               });
}

void amounts(Connection& cn, Faults& faults) {
    forEachRow(cn,
               kPair + " and p.fkrq is not null and (" + nonZero("r.qfje-" + kRest) +
                   " or r.xsid<>p.xsid or r.qfyf<>p.qfyf) order by r.qfkid",
               [&](Recordset& rs) {
                   if (text(rs, "rx") != text(rs, "xsid") || text(rs, "ry") != text(rs, "qfyf"))
                       faults.add("remainder-amount",
                                  "余欠行 " + remainderName(rs) + " 与所属的 " + arrearsName(rs) + " 学生或期间不同。");
                   else
                       faults.add("remainder-amount", "余欠行 " + remainderName(rs) + " 欠 " + amount(rs, "owes") +
                                                          "，而 " + arrearsName(rs) + " 结清后还欠 " +
                                                          amount(rs, "rest") + "。");
               });
    // Per fee item: the remainder's items owe what the parent's items left.
    const std::string itemRest = "case when i.qfje-i.fkje-i.jmje>0 then i.qfje-i.fkje-i.jmje else 0 end";
    forEachRow(cn,
               "select x.rq,x.sfxmid,sum(x.v) as diff from (select r.qfkid as rq,i.sfxmid,i.qfje as v from qfhzb r"
               " inner join qfhzb p on p.qfkid=r.yqfkid inner join qfmxb i on i.qfkid=r.qfkid where"
               " coalesce(r.yqfkid,0)<>0 and p.fkrq is not null union all select r.qfkid,i.sfxmid,"
               "0-(" + itemRest + ") from qfhzb r inner join qfhzb p on p.qfkid=r.yqfkid inner join qfmxb i on"
               " i.qfkid=p.qfkid where coalesce(r.yqfkid,0)<>0 and p.fkrq is not null) x group by x.rq,x.sfxmid"
               " having " + nonZero("sum(x.v)") + " order by x.rq,x.sfxmid",
               [&](Recordset& rs) {
                   faults.add("remainder-items", "余欠行 " + text(rs, "rq") + " 的收费项目 " + text(rs, "sfxmid") +
                                                     " 与所属欠费结清后所余不符，相差 " + amount(rs, "diff") + "。");
               });
}

}  // namespace

void checkRemainders(Connection& cn, Faults& faults) {
    countPerParent(cn, faults);
    orphans(cn, faults);
    amounts(cn, faults);
}

}  // namespace fo::bookscheck
