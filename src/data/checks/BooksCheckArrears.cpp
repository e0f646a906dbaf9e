// Arrears rows: who closed them, what they may carry while open, the caps
// on what was reduced and paid, the header against its items, and the
// remainder rows split off them.
#include <cstdio>

#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {
namespace {

// An arrears row (alias q) with the student's number beside it.
const std::string kRow = "q.qfkid,q.xsid,q.qfyf,x.xh";
const std::string kRowFrom = " from qfhzb q left join kdw_xs x on x.id=q.xsid";

void closers(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select " + kRow + ",q.jmjlid,q.sfjlid" + kRowFrom +
                   " where q.fkrq is not null and ((coalesce(q.jmjlid,0)=0 and coalesce(q.sfjlid,0)=0) or"
                   " (coalesce(q.jmjlid,0)<>0 and coalesce(q.sfjlid,0)<>0)) order by q.qfkid",
               [&](Recordset& rs) {
                   if (rs.field("jmjlid").toInt() == 0)
                       faults.add("arrears-closer", arrearsName(rs) + " 已结清，却没有结清它的记录。");
                   else
                       faults.add("arrears-settled-twice", arrearsName(rs) + " 被减免记录 id " + text(rs, "jmjlid") +
                                                               " 和收费记录 id " + text(rs, "sfjlid") + " 各结清一次。");
               });
    // The record named as closer must exist and be in force.
    for (const char* link : {"jmjlid", "sfjlid"}) {
        const std::string l = link;
        forEachRow(cn,
                   "select " + kRow + ",q." + l + " as link,a.id,a.djbh,coalesce(a.ysfjlid,0) as mirrorOf" + kRowFrom +
                       " left join kdw_sfjl a on a.id=q." + l + " where q.fkrq is not null and coalesce(q." + l +
                       ",0)<>0 and (a.id is null or not (" + liveRecord("a") + ")) order by q.qfkid",
                   [&](Recordset& rs) {
                       if (rs.field("id").isNull())
                           faults.add("arrears-closer-missing",
                                      arrearsName(rs) + " 由记录 id " + text(rs, "link") + " 结清，但该记录不存在。");
                       else
                           faults.add("arrears-cancelled-closer",
                                      arrearsName(rs) + " 由" +
                                          (rs.field("mirrorOf").toInt() != 0 ? "冲销记录 " : "已被冲销的记录 ") +
                                          recordName(rs, "djbh", "id") + " 结清，却仍是结清状态。");
                   });
    }
}

// A reduction that settled arrears took off them what it records: no more
// (an item reduced in two rows), no less (a row it names left out).
void reductionsAgainstSettled(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select a.id,a.djbh,a.jmje,s.jmje as settled from kdw_sfjl a inner join (select jmjlid,sum(jmje) as"
               " jmje from qfhzb where jmjlid<>0 group by jmjlid) s on s.jmjlid=a.id where " + liveRecord("a") +
                   " and " + nonZero("a.jmje-s.jmje") + " order by a.id",
               [&](Recordset& rs) {
                   faults.add("reduction-settled", "减免记录 " + recordName(rs, "djbh", "id") + " 减免 " +
                                                       amount(rs, "jmje") + "，它结清的欠费却共减免了 " +
                                                       amount(rs, "settled") + "。");
               });
}

void openRows(Connection& cn, Faults& faults) {
    forEachRow(cn,
               "select " + kRow + kRowFrom +
                   " where q.fkrq is null and (coalesce(q.jmjlid,0)<>0 or coalesce(q.sfjlid,0)<>0 or " +
                   nonZero("q.jmje") + " or " + nonZero("q.fkje") +
                   " or exists(select 1 from qfmxb i where i.qfkid=q.qfkid and (" + nonZero("i.jmje") + " or " +
                   nonZero("i.fkje") + "))) order by q.qfkid",
               [&](Recordset& rs) {
                   faults.add("arrears-open-linked",
                              arrearsName(rs) + " 未结清，却仍带着结清它的记录或减免、付款金额。");
               });
}

// Nothing owed below zero; reduction and payment together within what was owed.
void caps(Connection& cn, Faults& faults) {
    const std::string below = std::string(" < -") + kTolerance;
    const std::string over = "q.qfje" + below + " or q.jmje" + below + " or q.fkje" + below +
                             " or q.jmje+q.fkje>q.qfje+" + kTolerance;
    forEachRow(cn, "select " + kRow + ",q.qfje,q.jmje,q.fkje" + kRowFrom + " where " + over + " order by q.qfkid",
               [&](Recordset& rs) {
                   faults.add("arrears-over", arrearsName(rs) + " 欠费 " + amount(rs, "qfje") + "，减免 " +
                                                  amount(rs, "jmje") + "，付款 " + amount(rs, "fkje") +
                                                  "：超出了所欠金额或为负数。");
               });
    std::string itemOver = over;
    for (std::size_t at; (at = itemOver.find("q.")) != std::string::npos;) itemOver.replace(at, 2, "i.");
    forEachRow(cn,
               "select " + kRow + ",i.sfxmid,i.qfje,i.jmje,i.fkje from qfmxb i inner join qfhzb q on q.qfkid=i.qfkid"
               " left join kdw_xs x on x.id=q.xsid where " + itemOver + " order by q.qfkid,i.sfxmid",
               [&](Recordset& rs) {
                   faults.add("arrears-over", arrearsName(rs) + " 的收费项目 " + text(rs, "sfxmid") + " 欠费 " +
                                                  amount(rs, "qfje") + "，减免 " + amount(rs, "jmje") + "，付款 " +
                                                  amount(rs, "fkje") + "：超出了所欠金额或为负数。");
               });
}

// A header's amounts are the sums of its items' (a reduction counted only
// up to what the item owed).
void headerAgainstItems(Connection& cn, Faults& faults) {
    const char* columns[] = {"qfje", "jmje", "fkje"};
    std::string differs;
    for (const char* c : columns)
        differs += std::string(differs.empty() ? "" : " or ") +
                   nonZero("q." + std::string(c) + "-coalesce(s." + c + ",0)");
    forEachRow(cn,
               "select " + kRow + ",q.qfje,q.jmje,q.fkje,coalesce(s.qfje,0) as iqfje,coalesce(s.jmje,0) as ijmje,"
               "coalesce(s.fkje,0) as ifkje" + kRowFrom +
                   " left join (select qfkid,sum(qfje) as qfje,sum(case when jmje>qfje then qfje else jmje end) as"
                   " jmje,sum(fkje) as fkje from qfmxb group by qfkid) s on s.qfkid=q.qfkid where " + differs +
                   " order by q.qfkid",
               [&](Recordset& rs) {
                   faults.add("arrears-items", arrearsName(rs) + " 的欠费/减免/付款 " + amount(rs, "qfje") + "/" +
                                                   amount(rs, "jmje") + "/" + amount(rs, "fkje") +
                                                   " 与其明细合计 " + amount(rs, "iqfje") + "/" + amount(rs, "ijmje") +
                                                   "/" + amount(rs, "ifkje") + " 不符。");
               });
    orphanItems(cn, faults, {"qfmxb", "qfkid", "qfhzb", "qfkid", "欠费明细", "欠费 "});
}

// An amount no posting writes: more than four decimals, or the binary
// residue of arithmetic done in floating point (0.0049999999999954525 for
// 0.005). The tolerance that lets engines keeping binary fractions compare
// equal would hide it, while an exact reading of the rows sees a header
// unequal to its items.
void residues(Connection& cn, Faults& faults) {
    const char* columns[] = {"qfje", "jmje", "fkje"};
    for (const bool items : {false, true}) {
        const std::string a = items ? "i." : "q.";
        std::string inexact, select;
        for (const char* c : columns) {
            inexact += std::string(inexact.empty() ? "" : " or ") + a + c + "<>round(" + a + c + ",4)";
            select += "," + a + c;
        }
        const std::string from = items ? " from qfmxb i inner join qfhzb q on q.qfkid=i.qfkid left join kdw_xs x on"
                                         " x.id=q.xsid"
                                       : kRowFrom;
        forEachRow(cn, "select " + kRow + (items ? ",i.sfxmid" : "") + select + from + " where " + inexact +
                           " order by q.qfkid",
                   [&](Recordset& rs) {
                       std::string found;
                       for (const char* c : columns) {
                           const double v = rs.field(c).toDouble();
                           const Currency exact = rs.field(c).toCurrency();
                           if (v == exact.toDouble()) continue;
                           char raw[40];
                           std::snprintf(raw, sizeof raw, "%.17g", v);
                           found += std::string(found.empty() ? "" : "，") + c + " " + raw + "（应为 " +
                                    exact.plainText() + "）";
                       }
                       faults.add("amount-residue", arrearsName(rs) + (items ? " 收费项目 " + text(rs, "sfxmid") : "") +
                                                        " 的金额不是准确的金额：" + found + "。");
                   });
    }
}

}  // namespace

void checkArrears(Connection& cn, Faults& faults) {
    residues(cn, faults);
    closers(cn, faults);
    reductionsAgainstSettled(cn, faults);
    openRows(cn, faults);
    caps(cn, faults);
    headerAgainstItems(cn, faults);
}

}  // namespace fo::bookscheck
