#include "reports/Notices.h"

#include <stdexcept>

#include "db/Recordset.h"

namespace fo::notices {
namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

std::string setting(Connection& cn, const char* name) {
    RecordsetPtr rs = cn.execute(std::string("select value from sys_setting where name='") + name + "'");
    return rs->eof() || rs->field("value").isNull() ? std::string() : rs->field("value").toText();
}

// The notices of the students `where` picks (alias x), keyed by student id
// in the order of `order`.
std::vector<Notice> read(Connection& cn, const std::string& where, const std::string& deadline) {
    const std::string school = setting(cn, "txtSchoolName"), line = setting(cn, "txtNoticeLine");
    std::vector<Notice> out;
    std::vector<long> ids;
    for (RecordsetPtr rs = cn.execute("select x.id,x.xh,x.xm,b.mc from kdw_xs x left join kdw_bj b on b.id=x.bjid"
                                      " where " + where + " order by x.xh");
         !rs->eof(); rs->moveNext()) {
        ids.push_back(rs->field("id").toInt());
        out.push_back({school, rs->field("xh").toText(), rs->field("xm").toText(),
                       rs->field("mc").isNull() ? "" : rs->field("mc").toText(), {}, {}, deadline, line});
    }
    for (std::size_t n = 0; n < ids.size(); ++n)
        for (RecordsetPtr rs = cn.execute(
                 "select q.qfyf,i.sfxmid,m.mc,sum(i.qfje-i.fkje-i.jmje) as owed from qfhzb q inner join qfmxb i on"
                 " i.qfkid=q.qfkid left join kdw_sfxm m on m.id=i.sfxmid where q.fkrq is null and q.xsid=" +
                 std::to_string(ids[n]) + " group by q.qfyf,i.sfxmid,m.mc having sum(i.qfje-i.fkje-i.jmje)>0.00005"
                 " order by q.qfyf,i.sfxmid");
             !rs->eof(); rs->moveNext()) {
            Notice& notice = out[n];
            const Currency owed = rs->field("owed").toCurrency();
            notice.lines.push_back({rs->field("qfyf").toText(),
                                    rs->field("mc").isNull() ? rs->field("sfxmid").toText() : rs->field("mc").toText(),
                                    owed});
            notice.total += owed;
        }
    return out;
}

}  // namespace

std::vector<Notice> forClass(Connection& cn, const std::string& className, const std::string& deadline) {
    std::vector<Notice> all = read(cn, "x.del=0 and b.mc=" + quoted(className), deadline), owing;
    for (Notice& n : all)
        if (n.total > Currency()) owing.push_back(std::move(n));
    return owing;
}

std::vector<Notice> everyoneInClass(Connection& cn, long classId, const std::string& deadline) {
    return read(cn, "x.del=0 and x.bjid=" + std::to_string(classId), deadline);
}

std::vector<Notice> forStudents(Connection& cn, const std::vector<std::string>& studentNos, const std::string& deadline) {
    std::vector<Notice> out;
    for (const std::string& xh : studentNos) {
        auto one = read(cn, "x.xh=" + quoted(xh), deadline);
        if (one.empty()) throw std::invalid_argument("没有学号为 " + xh + " 的学生。");
        out.push_back(std::move(one.front()));
    }
    return out;
}

namespace {

PrintedSheet slipOf(const Notice& n) {
    PrintedSheet slip;
    slip.heading = n.school.empty() ? "缴费通知单" : n.school + " 缴费通知单";
    slip.lead.push_back("学生：" + n.studentName + "　学号：" + n.studentNo + "　班级：" + n.className);
    slip.columns = {"欠费期间", "收费项目", "欠费金额"};
    slip.rightAligned = {false, false, true};
    for (std::size_t i = 0; i < n.lines.size() && i < kLinesOnNotice; ++i)
        slip.rows.push_back({n.lines[i].period, n.lines[i].itemName, n.lines[i].owed.format00()});
    if (n.lines.size() > kLinesOnNotice) {
        Currency rest;
        for (std::size_t i = kLinesOnNotice; i < n.lines.size(); ++i) rest += n.lines[i].owed;
        slip.rows.push_back({"其余 " + std::to_string(n.lines.size() - kLinesOnNotice) + " 项", "", rest.format00()});
    }
    slip.emphasised.assign(slip.rows.size(), false);
    slip.notes.push_back("合计欠费：" + n.total.format00() + " 元");
    slip.notes.push_back("请于 " + n.deadline + " 前到园缴费。");
    if (!n.officeLine.empty()) slip.notes.push_back(n.officeLine);
    return slip;
}

}  // namespace

std::string asText(const Notice& notice) {
    const PrintedSheet slip = slipOf(notice);
    std::string out = slip.heading + "\n";
    for (const std::string& line : slip.lead) out += line + "\n";
    out += "欠费期间\t收费项目\t欠费金额\n";
    for (const auto& row : slip.rows) out += row[0] + "\t" + row[1] + "\t" + row[2] + "\n";
    for (const std::string& line : slip.notes) out += line + "\n";
    return out;
}

PrintedDocument asDocument(const std::vector<Notice>& notices, const std::string& title) {
    PrintedDocument doc;
    doc.title = title;
    doc.slipsPerPage = 3;
    for (const Notice& n : notices) {
        doc.sheets.push_back(slipOf(n));
        doc.text += (doc.text.empty() ? "" : "------------------------------\n") + asText(n);
    }
    return doc;
}

}  // namespace fo::notices
