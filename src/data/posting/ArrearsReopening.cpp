#include "data/posting/ArrearsReopening.h"

#include <stdexcept>

namespace fo::plan {
namespace {

struct ArrearsRow {
    Value qfkid, qfyf, xsid, amount, fkrq, link;
};
struct ArrearsItem {
    Value qfkid, xsid, sfxmid, qfje, amount;
};

std::vector<ArrearsRow> arrearsRows(Connection& cn, const std::string& where, const SettledBy& by) {
    std::vector<ArrearsRow> out;
    RecordsetPtr rs = cn.execute(std::string("select qfkid,qfyf,xsid,") + by.amount + " as amount,fkrq," + by.link +
                                 " as link from qfhzb where " + where + " order by qfkid");
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back({rs->field("qfkid"), rs->field("qfyf"), rs->field("xsid"), rs->field("amount"),
                       rs->field("fkrq"), rs->field("link")});
    return out;
}

std::vector<ArrearsItem> itemsOf(Connection& cn, const std::string& rows, const SettledBy& by) {
    std::vector<ArrearsItem> out;
    RecordsetPtr rs = cn.execute(std::string("select qfkid,xsid,sfxmid,qfje,") + by.amount +
                                 " as amount from qfmxb where qfkid in(" + rows + ") order by qfkid,sfxmid");
    for (; rs && !rs->eof(); rs->moveNext())
        out.push_back({rs->field("qfkid"), rs->field("xsid"), rs->field("sfxmid"), rs->field("qfje"),
                       rs->field("amount")});
    return out;
}

std::vector<Cell> rowKey(const Value& qfkid) { return cells({{"qfkid", qfkid}}); }
std::vector<Cell> itemKey(const ArrearsItem& i) { return cells({{"qfkid", i.qfkid}, {"sfxmid", i.sfxmid}}); }

}  // namespace

void planReopening(Connection& cn, Plan& plan, const SettledBy& by, const std::string& id,
                   const std::vector<std::string>& statements, BookNames& names) {
    if (statements.size() != 4) throw std::logic_error("planReopening takes four statements");
    const std::string settledRows = "select qfkid from qfhzb where " + std::string(by.link) + "<>0 and " + by.link +
                                    "=" + id;
    const std::vector<ArrearsRow> settled = arrearsRows(cn, std::string(by.link) + "<>0 and " + by.link + "=" + id, by);
    const std::vector<ArrearsRow> remainders = arrearsRows(cn, "yqfkid in(" + settledRows + ")", by);
    const std::vector<ArrearsItem> remainderItems =
        itemsOf(cn, "select qfkid from qfhzb where yqfkid in(" + settledRows + ")", by);
    const std::vector<ArrearsItem> settledItems = itemsOf(cn, settledRows, by);
    auto rowName = [&](const Value& xsid, const Value& qfyf) { return names.student(xsid) + "，" + qfyf.toText(); };

    plan.run([&] { return statements[0]; }, static_cast<long>(remainderItems.size()));
    for (const ArrearsItem& i : remainderItems)
        plan.remove("qfmxb", itemKey(i), cellsBefore({{"qfje", i.qfje}}),
                    "删除拆分出的欠费余额：" + rowName(i.xsid, Value()) + names.item(i.sfxmid));
    plan.run([&] { return statements[1]; }, static_cast<long>(remainders.size()));
    for (const ArrearsRow& r : remainders)
        plan.remove("qfhzb", rowKey(r.qfkid), cellsBefore({{"qfyf", r.qfyf}, {"xsid", r.xsid}}),
                    "删除拆分出的欠费余额：" + rowName(r.xsid, r.qfyf));
    plan.run([&] { return statements[2]; }, static_cast<long>(settledItems.size()));
    for (const ArrearsItem& i : settledItems)
        plan.update("qfmxb", itemKey(i), by.amount, i.amount, Value(Currency()),
                    "重新打开欠费：" + names.student(i.xsid) + "，" + names.item(i.sfxmid) + " " +
                        i.qfje.toCurrency().format00());
    plan.run([&] { return statements[3]; }, static_cast<long>(settled.size()));
    for (const ArrearsRow& r : settled) {
        const std::string reason = "重新打开欠费：" + rowName(r.xsid, r.qfyf);
        plan.update("qfhzb", rowKey(r.qfkid), by.amount, r.amount, Value(Currency()), reason);
        plan.update("qfhzb", rowKey(r.qfkid), "fkrq", r.fkrq, Value(), reason);
        plan.update("qfhzb", rowKey(r.qfkid), by.link, r.link, Value(0), reason);
    }
}

}  // namespace fo::plan
