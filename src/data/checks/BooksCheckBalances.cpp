// Prepayment balances and the reductions credited to them.
#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {

void checkBalances(Connection& cn, Faults& faults) {
    // Every record moves the balance by what it put in (ysk: a prepayment,
    // the rest of a charge, a credited reduction) less what it took out
    // (hkje: a charge paid from it, a refund or a transfer); a mirror
    // negates both, so the balance is the sum over all of them. A transfer
    // record (hkid: the charge it came from) repeats its charge's hkje for
    // the prepayment's own trail and goes with the charge's void, so it is
    // not counted a second time.
    forEachRow(cn,
               "select x.id,x.xh,x.ysk,coalesce(t.moved,0) as moved from kdw_xs x left join (select xsid,"
               "sum(coalesce(ysk,0)-coalesce(hkje,0)) as moved from kdw_sfjl where coalesce(hkid,0)=0 group by xsid) t on t.xsid=x.id"
               " where " + nonZero("x.ysk-coalesce(t.moved,0)") + " order by x.id",
               [&](Recordset& rs) {
                   faults.add("balance", "学生 " + text(rs, "xh") + "（id " + text(rs, "id") + "）的预收款余额 " +
                                             amount(rs, "ysk") + " 不等于其收费、预收、减免转入、划扣和退费之和 " +
                                             amount(rs, "moved") + "。");
               });
    // A credited reduction says so on every item: its share went to the
    // balance (ysk), came off what was paid (je) and reduced it (jmje).
    forEachRow(cn,
               "select a.id,a.djbh,b.sfxmid from kdw_sfjl a inner join kdw_sfjlmx b on b.sfjlid=a.id where"
               " a.djbh like 'JM%' and " + nonZero("b.ysk") + " and (" + nonZero("b.ysk-b.jmje") + " or " +
                   nonZero("b.ysk+b.je") + ") order by a.id,b.sfxmid",
               [&](Recordset& rs) {
                   faults.add("credit-item", recordName(rs, "djbh", "id") + " 的项目 " + text(rs, "sfxmid") +
                                                 " 转入预收款的金额与其减免、已缴的冲减不一致。");
               });
    // What live charges paid on an item in the month a credit is booked
    // in, less everything live reductions took off it there (the credits
    // included), is never below zero: nothing is credited that was not paid
    // or was reduced already.
    const std::string live = liveRecord("a");
    forEachRow(cn,
               "select c.xsid,c.sfxmid,c.sfyf,x.xh,coalesce(p.paid,0) as paid,coalesce(r.reduced,0) as reduced from"
               " (select distinct a.xsid,b.sfxmid,a.sfyf from kdw_sfjl a inner join kdw_sfjlmx b on b.sfjlid=a.id"
               " where a.djbh like 'JM%' and b.ysk>0 and " + live + ") c"
               " left join kdw_xs x on x.id=c.xsid"
               " left join (select a.xsid,b.sfxmid,a.sfyf,sum(b.je) as paid from kdw_sfjl a inner join kdw_sfjlmx b"
               " on b.sfjlid=a.id where a.djbh like 'SF%' and " + live + " group by a.xsid,b.sfxmid,a.sfyf) p"
               " on p.xsid=c.xsid and p.sfxmid=c.sfxmid and p.sfyf=c.sfyf"
               " left join (select a.xsid,b.sfxmid,a.sfyf,sum(b.jmje) as reduced from kdw_sfjl a inner join kdw_sfjlmx b"
               " on b.sfjlid=a.id where a.djbh like 'JM%' and " + live + " group by a.xsid,b.sfxmid,a.sfyf) r"
               " on r.xsid=c.xsid and r.sfxmid=c.sfxmid and r.sfyf=c.sfyf"
               " where coalesce(p.paid,0)-coalesce(r.reduced,0)<-" + std::string(kTolerance) +
                   " order by c.xsid,c.sfxmid",
               [&](Recordset& rs) {
                   faults.add("credit-cap", "学生 " + text(rs, "xh") + " 的项目 " + text(rs, "sfxmid") + " 在 " +
                                                text(rs, "sfyf") + " 转入预收款的减免超过已缴 " + amount(rs, "paid") +
                                                " 减去已减免（合计减免 " + amount(rs, "reduced") + "）。");
               });
}

}  // namespace fo::bookscheck
