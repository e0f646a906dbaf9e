#include "ui/PlanRowNames.h"

#include "db/Recordset.h"
#include "host/fees/Calendar.h"
#include "ui/lists/Utf8Text.h"

namespace fo {
namespace {

// The value `column` has in the row: its key, then what an insert writes
// or what the row held; nullptr when the row does not say.
const plan::Datum* valueOf(const plan::RowChange& c, const std::string& column) {
    for (const plan::Cell& k : c.key)
        if (utf8::lowerAscii(k.column) == column) return &k.after;
    for (const plan::Cell& cell : c.cells)
        if (utf8::lowerAscii(cell.column) == column)
            return c.kind == plan::Kind::Insert ? &cell.after : &cell.before;
    return nullptr;
}

bool stored(const plan::Datum* d) { return d && d->origin == plan::Origin::Stored && !d->value.isNull(); }

std::string digitsOnly(const std::string& text) {
    for (char ch : text)
        if (ch < '0' || ch > '9') return {};
    return text;
}

}  // namespace

PlanRowNames::PlanRowNames(Connection& cn, const plan::Plan& plan) : cn_(cn), names_(cn) {
    for (const plan::RowChange& c : plan.changes) {
        const std::string table = utf8::lowerAscii(c.table);
        const plan::Datum* id = valueOf(c, "id");
        if (c.kind != plan::Kind::Insert || !id || stored(id) || (table != "kdw_sfjl" && table != "inandoutml")) continue;
        Record r;
        if (const plan::Datum* d = valueOf(c, "djbh")) r.djbh = plan::datumText(*d);
        if (const plan::Datum* x = valueOf(c, "xsid"); stored(x)) r.xsid = x->text();
        if (const plan::Datum* y = valueOf(c, "sfyf")) r.period = plan::datumText(*y);
        drawn_[{table, plan::datumText(*id)}] = r;
    }
}

const PlanRowNames::Record& PlanRowNames::record(const std::string& table, const std::string& id) {
    auto [it, fresh] = records_.try_emplace({table, id});
    if (!fresh || digitsOnly(id).empty()) return it->second;
    std::string sql;
    if (table == "pjml") sql = "select djbh, xsid, '' from PJML where id=" + id;
    else if (table == "kdw_sfjl") sql = "select djbh, xsid, sfyf from kdw_sfjl where id=" + id;
    else if (table == "qfhzb") sql = "select '', xsid, qfyf from qfhzb where qfkid=" + id;
    else if (table == "inandoutml") sql = "select djbh, '', '' from INandOutML where id=" + id;
    if (sql.empty()) return it->second;
    try {
        RecordsetPtr rs = cn_.execute(sql);
        if (rs && !rs->eof())
            it->second = Record{rs->field(std::size_t{0}).toText(), rs->field(std::size_t{1}).toText(),
                                rs->field(std::size_t{2}).toText()};
    } catch (const std::exception&) {
        // A row that cannot be read is named by its key alone.
    }
    return it->second;
}

std::string PlanRowNames::of(const plan::RowChange& c) {
    const std::string table = utf8::lowerAscii(c.table);
    std::string djbh, xsid, period, item;
    auto take = [](std::string& into, const plan::Datum* d) {
        if (into.empty() && d) into = plan::datumText(*d);
    };
    auto from = [&](const std::string& recordTable, const plan::Datum* id) {
        if (!id) return;
        const auto drawn = drawn_.find({recordTable, plan::datumText(*id)});
        if (!stored(id) && drawn == drawn_.end()) return;
        const Record& r = stored(id) ? record(recordTable, id->text()) : drawn->second;
        if (djbh.empty()) djbh = r.djbh;
        if (xsid.empty()) xsid = r.xsid;
        if (period.empty()) period = r.period;
    };
    if (table == "pjml" || table == "kdw_sfjl" || table == "inandoutml") from(table, valueOf(c, "id"));
    if (table == "kdw_sfjlmx") from("kdw_sfjl", valueOf(c, "sfjlid"));
    if (table == "inandout") from("inandoutml", valueOf(c, "num"));
    from("qfhzb", valueOf(c, "qfkid"));
    if (table == "kdw_xs") take(xsid, valueOf(c, "id"));
    take(djbh, valueOf(c, "djbh"));
    take(period, valueOf(c, "sfyf"));
    take(period, valueOf(c, "qfyf"));
    if (const plan::Datum* s = valueOf(c, "xsid"); xsid.empty() && stored(s)) xsid = s->text();
    if (const plan::Datum* i = valueOf(c, "sfxmid"); stored(i)) item = names_.item(i->value);

    std::string out;
    auto add = [&out](const std::string& part) {
        if (!part.empty() && part != "(空)") out += (out.empty() ? "" : " ") + part;
    };
    add(djbh);
    if (!digitsOnly(xsid).empty() && xsid != "0") add((table == "kdw_xs" ? "学生 " : "") + names_.student(Value(xsid)));
    add(monthCaption(period));
    add(item);
    if (!out.empty()) return out;
    // Nothing a clerk knows it by: its key, in the preview's own words.
    for (const plan::Cell& k : c.key) add(plan::columnCaption(k.column) + " " + plan::datumText(k.after));
    return out;
}

}  // namespace fo
