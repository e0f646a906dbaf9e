#include "reports/MonthReport.h"

#include <map>
#include <stdexcept>

#include "reports/ReportMonths.h"

namespace fo::monthreport {
namespace {

const char* const kCaptions[] = {"班级", "学号", "姓名", "期初欠费", "本期新欠", "减免", "收费",
                                 "期末欠费", "冲销笔数", "冲销金额", "对账"};

void add(ledger::Movement& sum, const ledger::Movement& m) {
    sum.start += m.start;
    sum.raised += m.raised;
    sum.reduced += m.reduced;
    sum.paid += m.paid;
    sum.end += m.end;
    sum.mirrors += m.mirrors;
    sum.mirrored += m.mirrored;
}

struct Student {
    std::string className, no, name;
};

std::map<long, Student> students(Connection& cn) {
    std::map<long, Student> out;
    for (RecordsetPtr rs = cn.execute("select x.id,x.xh,x.xm,b.mc from kdw_xs x left join kdw_bj b on b.id=x.bjid");
         !rs->eof(); rs->moveNext())
        out[rs->field("id").toInt()] = {rs->field("mc").isNull() ? "（无班级）" : rs->field("mc").toText(),
                                        rs->field("xh").toText(), rs->field("xm").toText()};
    return out;
}

}  // namespace

Report build(Connection& cn, const std::string& fromMonth, const std::string& toMonth) {
    const reportmonths::Span span = reportmonths::span(fromMonth, toMonth);
    Report r{fromMonth, span.toMonth, {}, 0};
    const auto who = students(cn);
    // class -> student number -> row, so both read in order
    std::map<std::string, std::map<std::string, Row>> byClass;
    for (const ledger::Movement& m : ledger::movements(cn, span.firstDay, span.endDay)) {
        const auto it = who.find(m.xsid);
        const Student s = it != who.end() ? it->second : Student{"（学生已不在）", std::to_string(m.xsid), ""};
        byClass[s.className][s.no] = {s.className, s.no, s.name, m};
        if (!m.balances()) ++r.unbalanced;
    }
    Row total{"合计", "", "", {}};
    for (auto& [className, rows] : byClass) {
        Row subtotal{className, "", "小计", {}};
        for (auto& [no, row] : rows) {
            add(subtotal.m, row.m);
            r.rows.push_back(std::move(row));
        }
        add(total.m, subtotal.m);
        r.rows.push_back(std::move(subtotal));
    }
    r.rows.push_back(std::move(total));
    return r;
}

RecordsetPtr asRecordset(const Report& report) {
    auto rs = std::make_shared<Recordset>();
    for (const char* c : kCaptions) rs->appendField(c, DataType::VarChar, 50);
    rs->open();
    for (const Row& row : report.rows) {
        const ledger::Movement& m = row.m;
        rs->addNew();
        const std::string values[] = {row.className, row.studentNo, row.studentName, m.start.format00(),
                                      m.raised.format00(), m.reduced.format00(), m.paid.format00(),
                                      m.end.format00(), std::to_string(m.mirrors), m.mirrored.format00(),
                                      m.balances() ? "平" : "不平，应为 " + m.expectedEnd().format00()};
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(values[i]);
    }
    if (rs->recordCount() > 0) rs->moveFirst();
    return rs;
}

std::string asText(const Report& report) {
    std::string out = reportmonths::heading("月度收费对账表", {report.fromMonth, report.toMonth, {}, {}}) + "\n";
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += std::string(i ? "\t" : "") + kCaptions[i];
    out += "\n";
    RecordsetPtr rs = asRecordset(report);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += (i ? "\t" : "") + rs->field(kCaptions[i]).toText();
        out += "\n";
    }
    if (report.unbalanced > 0) out += "有 " + std::to_string(report.unbalanced) + " 名学生对不上账。\n";
    return out;
}

}  // namespace fo::monthreport
