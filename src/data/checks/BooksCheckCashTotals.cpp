// The cash totals the triggers keep against the journal they sum: every key
// the journal has is stored with the same figures, and no other.
#include "data/CashTotals.h"
#include "data/checks/BooksCheckParts.h"

namespace fo::bookscheck {
namespace {

// "2026-09 操作员 张会计（id 2）收款账户 1 单据 SF 收费项目 保育费（id 1）"
std::string keyName(const Recordset& rs) {
    const auto named = [&](const char* name, const char* id) {
        const std::string shown = text(rs, name), number = text(rs, id);
        return shown.empty() ? "id " + number : shown + "（id " + number + "）";
    };
    const std::string month = text(rs, "yf"), prefix = text(rs, "prefix");
    return (month.empty() ? std::string("无日期") : month) + " 操作员 " + named("uname", "userid") + " 收款账户 " +
           text(rs, "subid") + " 单据 " + (prefix.empty() ? std::string("（无单号）") : prefix) + " 收费项目 " +
           named("item", "sfxmid");
}

// "3400.00（预收款 0.00，12 笔明细）"
std::string figures(const Recordset& rs, const char* je, const char* ysk, const char* n) {
    return amount(rs, je) + "（预收款 " + amount(rs, ysk) + "，" + text(rs, n) + " 笔明细）";
}

}  // namespace

void checkCashTotals(Connection& cn, Faults& faults) {
    const std::string same = "j.yf=s.yf and j.userid=s.userid and j.subid=s.subid and j.prefix=s.prefix and "
                             "j.sfxmid=s.sfxmid";
    forEachRow(cn,
               "select d.*,u.name as uname,x.mc as item from (select coalesce(s.yf,j.yf) as yf,coalesce(s.userid,"
               "j.userid) as userid,coalesce(s.subid,j.subid) as subid,coalesce(s.prefix,j.prefix) as prefix,"
               "coalesce(s.sfxmid,j.sfxmid) as sfxmid,s.je as kept,s.ysk as keptysk,s.n as keptn,j.je as summed,"
               "j.ysk as summedysk,j.n as summedn from " + std::string(kCashTotalsTable) + " s full outer join (" +
                   journalCashTotalsQuery(cn) + ") j on " + same + " where s.n is null or j.n is null or s.n<>j.n or " +
                   nonZero("s.je-j.je") + " or " + nonZero("s.ysk-j.ysk") + ") d left join sys_user u on u.id=d.userid"
                   " left join kdw_sfxm x on x.id=d.sfxmid order by d.yf,d.userid,d.subid,d.prefix,d.sfxmid",
               [&](Recordset& rs) {
                   const std::string key = keyName(rs);
                   if (rs.field("keptn").isNull())
                       faults.add("cash-totals", "收费汇总缺少 " + key + "：日记账合计 " +
                                                     figures(rs, "summed", "summedysk", "summedn") + "，汇总表中没有这一行。");
                   else if (rs.field("summedn").isNull())
                       faults.add("cash-totals", "收费汇总多出 " + key + "：汇总表记 " +
                                                     figures(rs, "kept", "keptysk", "keptn") + "，日记账中没有这些收款。");
                   else
                       faults.add("cash-totals", "收费汇总与日记账不符，" + key + "：汇总表记 " +
                                                     figures(rs, "kept", "keptysk", "keptn") + "，日记账合计 " +
                                                     figures(rs, "summed", "summedysk", "summedn") + "。");
               });
}

}  // namespace fo::bookscheck
