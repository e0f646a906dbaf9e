#include "reports/ArrearsAnalysis.h"

#include <algorithm>

namespace fo::arrearsview {
namespace {

const char* const kCaptions[] = {"欠费期间", "班级", "收费项目", "欠费人数", "欠费金额"};

// Open rows' items with what they still owe; a student with no class has
// class 0.
const std::string kOpenItems =
    " from qfhzb q inner join qfmxb i on i.qfkid=q.qfkid left join kdw_xs x on x.id=q.xsid where q.fkrq is null"
    " and i.qfje-i.fkje-i.jmje>0.00005";

}  // namespace

bool isMonth(const std::string& period) {
    return period.size() == 6 && std::all_of(period.begin(), period.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<Cell> cells(Connection& cn) {
    std::vector<Cell> out;
    RecordsetPtr rs = cn.execute(
        "select c.qfyf,c.bjid,b.mc as bjmc,c.sfxmid,m.mc as xmmc,c.owed,c.n from (select q.qfyf as qfyf,"
        "coalesce(x.bjid,0) as bjid,i.sfxmid as sfxmid,sum(i.qfje-i.fkje-i.jmje) as owed,count(distinct q.xsid) as n" +
        kOpenItems + " group by q.qfyf,coalesce(x.bjid,0),i.sfxmid) c left join kdw_bj b on b.id=c.bjid left join"
        " kdw_sfxm m on m.id=c.sfxmid order by c.qfyf,c.bjid,c.sfxmid");
    for (; !rs->eof(); rs->moveNext()) {
        Cell c;
        c.period = rs->field("qfyf").toText();
        c.classId = rs->field("bjid").toInt();
        c.className = rs->field("bjmc").isNull() ? "（无班级）" : rs->field("bjmc").toText();
        c.itemId = rs->field("sfxmid").toInt();
        c.itemName = rs->field("xmmc").isNull() ? std::to_string(c.itemId) : rs->field("xmmc").toText();
        c.owed = rs->field("owed").toCurrency();
        c.students = rs->field("n").toInt();
        out.push_back(std::move(c));
    }
    return out;
}

ByClassAndPeriod byClassAndPeriod(const std::vector<Cell>& cells) {
    ByClassAndPeriod out;
    for (const Cell& c : cells) out[c.period][c.className] += c.owed;
    return out;
}

std::vector<std::pair<std::string, Currency>> trend(const std::vector<Cell>& cells, std::size_t months) {
    std::map<std::string, Currency> byPeriod;
    for (const Cell& c : cells)
        if (isMonth(c.period)) byPeriod[c.period] += c.owed;
    std::vector<std::pair<std::string, Currency>> out(byPeriod.begin(), byPeriod.end());
    if (out.size() > months) out.erase(out.begin(), out.end() - static_cast<std::ptrdiff_t>(months));
    return out;
}

std::vector<Owing> studentsBehind(Connection& cn, long classId, const std::string& period) {
    std::string quoted;
    for (char ch : period) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
    std::vector<Owing> out;
    for (RecordsetPtr rs = cn.execute("select x.id,x.xh,x.xm,sum(i.qfje-i.fkje-i.jmje) as owed" + kOpenItems +
                                      " and coalesce(x.bjid,0)=" + std::to_string(classId) + " and q.qfyf='" + quoted +
                                      "' group by x.id,x.xh,x.xm order by x.xh");
         !rs->eof(); rs->moveNext())
        out.push_back({rs->field("id").toInt(), rs->field("xh").toText(), rs->field("xm").toText(), rs->field("owed").toCurrency()});
    return out;
}

RecordsetPtr asRecordset(const std::vector<Cell>& cells) {
    auto rs = std::make_shared<Recordset>();
    for (const char* c : kCaptions) rs->appendField(c, DataType::VarChar, 50);
    rs->open();
    Currency total;
    for (const Cell& c : cells) {
        rs->addNew();
        const std::string values[] = {c.period, c.className, c.itemName, std::to_string(c.students), c.owed.format00()};
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(values[i]);
        total += c.owed;
    }
    rs->addNew();
    const std::string last[] = {"合计", "", "", "", total.format00()};
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(last[i]);
    rs->moveFirst();
    return rs;
}

std::string asText(const std::vector<Cell>& cells) {
    std::string out = "欠费分析\n";
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += std::string(i ? "\t" : "") + kCaptions[i];
    out += "\n";
    RecordsetPtr rs = asRecordset(cells);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += (i ? "\t" : "") + rs->field(kCaptions[i]).toText();
        out += "\n";
    }
    return out;
}

}  // namespace fo::arrearsview
