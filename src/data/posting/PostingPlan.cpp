#include "data/posting/PostingPlan.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <stdexcept>

#include "db/DbError.h"
#include "db/values/TextCase.h"

namespace fo::plan {
namespace {

bool sameKey(const std::vector<Cell>& a, const std::vector<Cell>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!equalsIgnoreCase(a[i].column, b[i].column) || !sameDatum(a[i].after, b[i].after)) return false;
    return true;
}

bool sameIdentity(const RowChange& a, const RowChange& b) {
    return a.kind == b.kind && equalsIgnoreCase(a.table, b.table) && sameKey(a.key, b.key);
}

bool sameCells(const RowChange& a, const RowChange& b) {
    if (a.cells.size() != b.cells.size()) return false;
    for (std::size_t i = 0; i < a.cells.size(); ++i) {
        const Cell &x = a.cells[i], &y = b.cells[i];
        if (!equalsIgnoreCase(x.column, y.column) || !sameDatum(x.before, y.before) || !sameDatum(x.after, y.after))
            return false;
    }
    return true;
}

std::string rowName(const RowChange& c) {
    return tableCaption(c.table) + "[" + keyText(c) + "]" + (c.reason.empty() ? "" : "（" + c.reason + "）");
}

}  // namespace

const Refusal* Plan::refusal(const std::string& code) const {
    for (const Refusal& r : refusals)
        if (r.code == code) return &r;
    return nullptr;
}

void Plan::refuse(std::string code, std::string reason, std::string laterId, std::string laterDjbh) {
    // A refused posting writes nothing, what was planned before included.
    changes.clear();
    steps.clear();
    refusals.push_back({std::move(code), std::move(reason), std::move(laterId), std::move(laterDjbh)});
}

void Plan::run(const std::function<SqlText()>& sql, long rows) {
    if (!preview_) steps.push_back({sql(), rows, {}});
}

void Plan::read(const std::function<SqlText()>& sql, std::vector<Value> firstRow) {
    if (!preview_) steps.push_back({sql(), -1, std::move(firstRow)});
}

void Plan::insert(const std::string& table, std::vector<Cell> key, std::vector<Cell> cells, std::string reason) {
    changes.push_back({Kind::Insert, table, std::move(key), std::move(cells), std::move(reason)});
}

void Plan::update(const std::string& table, const std::vector<Cell>& key, const std::string& column,
                  const Datum& before, const Datum& after, const std::string& reason) {
    RowChange probe{Kind::Update, table, key, {}, {}};
    for (RowChange& c : changes) {
        if (!sameIdentity(c, probe)) continue;
        for (auto it = c.cells.begin(); it != c.cells.end(); ++it) {
            if (!equalsIgnoreCase(it->column, column)) continue;
            it->after = after;
            if (sameDatum(it->before, it->after)) c.cells.erase(it);
            return;
        }
        c.cells.push_back({column, before, after});
        return;
    }
    if (sameDatum(before, after)) return;
    probe.cells.push_back({column, before, after});
    probe.reason = reason;
    changes.push_back(std::move(probe));
}

void Plan::remove(const std::string& table, std::vector<Cell> key, std::vector<Cell> before, std::string reason) {
    changes.push_back({Kind::Delete, table, std::move(key), std::move(before), std::move(reason)});
}

void Plan::basedOn(std::string what, Value value) {
    if (describes()) readings.push_back({std::move(what), std::move(value)});
}

namespace {

template <class F>
void eachDatum(std::vector<RowChange>& changes, F f) {
    for (RowChange& c : changes)
        for (std::vector<Cell>* list : {&c.key, &c.cells})
            for (Cell& cell : *list) f(cell.before), f(cell.after);
}

}  // namespace

void Plan::append(const Plan& other) {
    // The other plan drew its values from 1 too: they follow this plan's,
    // so each drawn value of the whole keeps a number of its own.
    int drawn = 0;
    eachDatum(changes, [&](Datum& d) { drawn = std::max(drawn, d.draw); });
    std::vector<RowChange> added = other.changes;
    eachDatum(added, [&](Datum& d) {
        if (d.origin != Origin::Fresh || d.draw == 0) return;
        // A new id shows its number; a new document number its prefix.
        const bool numbered = d.value.toText() == "(新" + std::to_string(d.draw) + ")";
        d.draw += drawn;
        if (preview_ && numbered) d.value = Value("(新" + std::to_string(d.draw) + ")");
    });
    changes.insert(changes.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    refusals.insert(refusals.end(), other.refusals.begin(), other.refusals.end());
    steps.insert(steps.end(), other.steps.begin(), other.steps.end());
    readings.insert(readings.end(), other.readings.begin(), other.readings.end());
    if (summary.captions.empty()) summary.captions = other.summary.captions;
    summary.lines.insert(summary.lines.end(), other.summary.lines.begin(), other.summary.lines.end());
}

std::vector<Cell> cells(std::initializer_list<std::pair<const char*, Datum>> values) {
    std::vector<Cell> out;
    for (const auto& [column, value] : values) out.push_back({column, {}, value});
    return out;
}

std::vector<Cell> cellsBefore(std::initializer_list<std::pair<const char*, Datum>> values) {
    std::vector<Cell> out;
    for (const auto& [column, value] : values) out.push_back({column, value, {}});
    return out;
}

Draws::Draws() : now_(DateTime::now()) {}

Draws::Draws(Counter id, Counter number) : id_(std::move(id)), number_(std::move(number)), now_(DateTime::now()) {}

Datum Draws::id(const std::string& counter) {
    Datum d(posting() ? Value(id_(counter)) : Value("(新" + std::to_string(drawn_ + 1) + ")"));
    d.origin = Origin::Fresh;
    d.draw = ++drawn_;
    return d;
}

Datum Draws::number(const std::string& prefix) {
    Datum d(posting() ? Value(number_(prefix)) : Value("(新" + prefix + "单号)"));
    d.origin = Origin::Fresh;
    d.draw = ++drawn_;
    return d;
}

Datum Draws::moment() const {
    Datum d(posting() ? Value(now_) : Value());
    d.origin = Origin::Moment;
    return d;
}

bool sameValue(const Value& a, const Value& b) {
    if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
    if (a.kind() == Value::Kind::Date || b.kind() == Value::Kind::Date) {
        const auto x = a.toDate(), y = b.toDate();
        return x && y && *x == *y;
    }
    if (a.isNumber() || b.isNumber()) {
        const Value& text = a.isNumber() ? b : a;
        if (text.isText() && !Currency::parse(text.toText())) return false;
        return a.toCurrency() == b.toCurrency();
    }
    return a.toText() == b.toText();
}

bool sameDatum(const Datum& a, const Datum& b) {
    if (a.origin != b.origin) return false;
    switch (a.origin) {
        case Origin::Fresh: return a.draw == b.draw;
        case Origin::Moment: return true;
        case Origin::Stored: break;
    }
    return sameValue(a.value, b.value);
}

void execute(Connection& cn, const Plan& plan, PreparedStatements* prepared) {
    if (plan.preview()) throw std::logic_error("a preview plan is never run");
    // A run of many rows sends each plan's statements as one series (on a
    // server one round trip) and checks their answers after.
    std::vector<RecordsetPtr> sets;
    std::vector<long> counts;
    if (prepared) {
        std::vector<const SqlText*> sqls;
        for (const Step& step : plan.steps) sqls.push_back(&step.sql);
        sets = prepared->runSeries(cn, sqls, counts);
    }
    for (std::size_t s = 0; s < plan.steps.size(); ++s) {
        const Step& step = plan.steps[s];
        long changed = 0;
        RecordsetPtr rs = prepared ? sets[s] : cn.execute(step.sql.text(), &changed);
        if (prepared) changed = counts[s];
        if (!step.expect.empty()) {
            bool same = rs && !rs->eof() && rs->fieldCount() >= step.expect.size();
            for (std::size_t i = 0; same && i < step.expect.size(); ++i)
                same = sameValue(rs->field(i), step.expect[i]);
            if (!same) throw DbError(kPlanMismatch, "记账时读到的数据与记账计划不符，本次操作已全部撤销。", step.sql.text());
        } else if (step.rows >= 0 && changed != step.rows) {
            throw DbError(kPlanMismatch,
                          "记账时改动的行数与记账计划不符（计划 " + std::to_string(step.rows) + " 行，实际 " +
                              std::to_string(changed) + " 行），本次操作已全部撤销。",
                          step.sql.text());
        }
    }
}

std::vector<std::string> differences(const Plan& seen, const Plan& now) {
    std::vector<std::string> out;
    std::vector<bool> matched(now.changes.size(), false);
    for (const RowChange& s : seen.changes) {
        std::size_t i = 0;
        while (i < now.changes.size() && (matched[i] || !sameIdentity(s, now.changes[i]))) ++i;
        if (i == now.changes.size()) {
            out.push_back(rowName(s) + "：已被其他操作改变，不再按预览变动");
            continue;
        }
        matched[i] = true;
        if (!sameCells(s, now.changes[i])) out.push_back(rowName(s) + "：预览后已被其他操作改动");
    }
    for (std::size_t i = 0; i < now.changes.size(); ++i)
        if (!matched[i]) out.push_back(rowName(now.changes[i]) + "：预览中没有这一变动");
    for (const Reading& s : seen.readings) {
        const auto n = std::find_if(now.readings.begin(), now.readings.end(),
                                    [&](const Reading& r) { return r.what == s.what; });
        if (n == now.readings.end() || !sameValue(s.value, n->value))
            out.push_back(s.what + "：预览时为 " + datumText(Datum(s.value)) + "，现在为 " +
                          (n == now.readings.end() ? std::string("(空)") : datumText(Datum(n->value))));
    }
    return out;
}

std::string changedSincePreview(const std::vector<std::string>& rows) {
    std::string text = "预览之后，另一位操作员改动了本次要记账的数据，本次没有记账，请重新预览：";
    for (std::size_t i = 0; i < rows.size() && i < 10; ++i) text += "\r\n" + rows[i];
    if (rows.size() > 10) text += "\r\n……共 " + std::to_string(rows.size()) + " 处";
    return text;
}

std::string kindText(Kind kind) {
    switch (kind) {
        case Kind::Insert: return "新增";
        case Kind::Update: return "修改";
        case Kind::Delete: return "删除";
    }
    return {};
}

std::string kindWord(Kind kind) {
    switch (kind) {
        case Kind::Insert: return "insert";
        case Kind::Update: return "update";
        case Kind::Delete: return "delete";
    }
    return {};
}

std::string tableCaption(const std::string& table) {
    static const std::map<std::string, std::string> captions{
        {"pjml", "收据"},          {"kdw_sfjl", "收费记录"},  {"kdw_sfjlmx", "收费明细"},
        {"qfhzb", "欠费"},         {"qfmxb", "欠费明细"},     {"inandoutml", "日记账"},
        {"inandout", "日记账明细"}, {"xs_sfxm_ysk", "项目预收款"}, {"kdw_xs", "学生"},
    };
    const auto it = captions.find(lowerAscii(table));
    return it == captions.end() ? table : it->second;
}

std::string columnCaption(const std::string& column) {
    static const std::map<std::string, std::string> captions{
        {"id", "编号"},         {"djbh", "单据编号"},     {"xsid", "学生"},       {"sfxmid", "收费项目"},
        {"sfjlid", "收费记录"}, {"jmjlid", "减免记录"},   {"ysfjlid", "冲销的记录"}, {"yqfkid", "原欠费行"},
        {"qfkid", "欠费行"},    {"qfyf", "所属期"},       {"sfyf", "收费月份"},   {"qfje", "欠费金额"},
        {"fkje", "已付金额"},   {"fkrq", "付款日期"},     {"jmje", "减免金额"},   {"je", "金额"},
        {"ysje", "应收金额"},   {"ssje", "实收金额"},     {"ysk", "预收款"},      {"hkje", "划扣金额"},
        {"bcsfrq", "本次收费日期"}, {"pjstate", "单据状态"}, {"zfrq", "作废日期"}, {"zfr", "作废人"},
        {"zfyy", "作废原因"},   {"useridzfr", "作废人编号"}, {"sfrq", "日期"},    {"rq", "操作时间"},
        {"skr", "操作人"},      {"operid", "操作人编号"}, {"jmyy", "减免原因"},   {"bjmc", "班级"},
        {"qfrq", "欠费日期"},   {"num", "日记账"},        {"addje", "借方"},      {"subje", "贷方"},
        {"zy", "摘要"},         {"feetermname", "费用所属期"}, {"cw_date", "记账日期"}, {"userid", "操作人编号"},
        {"jzyf", "记账月份"},   {"czrq", "操作时间"},     {"jbr", "经办人"},      {"checked", "已审核"},
        {"yjlid", "原记录"},    {"subid", "科目"},        {"jd", "借贷"},         {"rootid", "上级科目"},
        {"sflxid", "收费类型"}, {"tzje", "调整金额"},     {"zhekou", "折扣"},     {"scjy", "上次结余"},
        {"inorout", "收支"},    {"skzhid", "收款账户"},   {"bz", "备注"},         {"ye", "余额"},
        {"cqts", "出勤天数"},   {"termfrom", "起始日期"}, {"termto", "截止日期"}, {"sjqfje", "实际欠费"},
        {"qjts", "请假天数"},   {"hkid", "划扣来源"},
    };
    const auto it = captions.find(lowerAscii(column));
    return it == captions.end() ? column : it->second;
}

std::string datumText(const Datum& d) {
    if (d.value.isNull()) return d.origin == Origin::Moment ? "(记账时)" : "(空)";
    if (d.value.isText() && d.value.toText().empty()) return "(空)";
    if (d.value.kind() == Value::Kind::Currency || d.value.kind() == Value::Kind::Double)
        return d.value.toCurrency().format00();
    return d.value.toText();
}

std::string keyText(const RowChange& c) {
    std::string out;
    for (const Cell& k : c.key) out += (out.empty() ? "" : ",") + k.column + "=" + datumText(k.after);
    return out;
}

std::string cellsText(const RowChange& c, bool captions) {
    std::string out;
    for (const Cell& cell : c.cells) {
        const std::string name = captions ? columnCaption(cell.column) : cell.column;
        std::string value;
        switch (c.kind) {
            case Kind::Insert: value = datumText(cell.after); break;
            case Kind::Delete: value = datumText(cell.before); break;
            case Kind::Update:
                value = datumText(cell.before) + (captions ? " → " : ">") + datumText(cell.after);
                break;
        }
        out += (out.empty() ? "" : (captions ? "；" : ";")) + name + (captions ? ": " : "=") + value;
    }
    return out;
}

std::vector<std::string> dumpLines(const Plan& plan) {
    std::vector<std::string> out;
    for (const Line& l : plan.summary.lines) {
        std::string line = "line";
        for (const Value& v : l.cells) line += "\t" + datumText(Datum(v));
        out.push_back(line + "\t" + l.refusal);
    }
    for (const RowChange& c : plan.changes)
        out.push_back(kindWord(c.kind) + "\t" + c.table + "\t" + keyText(c) + "\t" + cellsText(c, false) + "\t" +
                      c.reason);
    for (const Refusal& r : plan.refusals) out.push_back("refused\t" + r.code + "\t" + r.reason);
    return out;
}

}  // namespace fo::plan
