#include "support/BooksDiff.h"

#include <algorithm>

#include "db/values/TextCase.h"

namespace fo::test {
namespace {

const std::map<std::string, std::vector<std::string>>& keyColumns() {
    static const std::map<std::string, std::vector<std::string>> keys{
        {"pjml", {"id"}},          {"kdw_sfjl", {"id"}},           {"kdw_sfjlmx", {"sfjlid", "sfxmid"}},
        {"qfhzb", {"qfkid"}},      {"qfmxb", {"qfkid", "sfxmid"}}, {"inandoutml", {"id"}},
        {"inandout", {"num", "subid"}}, {"xs_sfxm_ysk", {"xsid", "sfxmid"}}, {"kdw_xs", {"id"}},
    };
    return keys;
}

// A value as a key part: numbers by value, dates by their text.
std::string keyPart(const Value& v) {
    if (v.isNumber()) return v.toCurrency().plainText();
    if (auto d = v.toDate(); d && v.kind() == Value::Kind::Date) return d->dateTimeText();
    return v.toText();
}

bool sameRow(const BooksSnapshot::Row& a, const BooksSnapshot::Row& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [column, value] : a) {
        auto it = b.find(column);
        if (it == b.end() || !plan::sameValue(value, it->second)) return false;
    }
    return true;
}

plan::RowChange whole(plan::Kind kind, const std::string& table, const BooksSnapshot::Row& row) {
    plan::RowChange c;
    c.kind = kind;
    c.table = table;
    for (const std::string& k : keyColumns().at(table)) c.key.push_back({k, {}, row.at(k)});
    for (const auto& [column, value] : row) {
        if (kind == plan::Kind::Insert) c.cells.push_back({column, {}, value});
        else c.cells.push_back({column, value, {}});
    }
    return c;
}

// Plan values against made values, with the plan's drawn values bound as
// they are met.
class Matcher {
public:
    std::map<int, Value> bound;

    bool same(const plan::Datum& planned, const Value& made, std::map<int, Value>& tentative) const {
        switch (planned.origin) {
            case plan::Origin::Moment: return !made.isNull();
            case plan::Origin::Stored: return plan::sameValue(planned.value, made);
            case plan::Origin::Fresh: break;
        }
        if (auto it = bound.find(planned.draw); it != bound.end()) return plan::sameValue(it->second, made);
        if (auto it = tentative.find(planned.draw); it != tentative.end()) return plan::sameValue(it->second, made);
        tentative[planned.draw] = made;
        return !made.isNull();
    }

    bool matches(const plan::RowChange& p, const plan::RowChange& m, std::map<int, Value>& tentative) const {
        if (p.kind != m.kind || !equalsIgnoreCase(p.table, m.table)) return false;
        auto madeCell = [&](const std::string& column) -> const plan::Cell* {
            for (const plan::Cell& c : m.cells)
                if (equalsIgnoreCase(c.column, column)) return &c;
            return nullptr;
        };
        for (const plan::Cell& k : p.key) {
            auto c = std::find_if(m.key.begin(), m.key.end(),
                                  [&](const plan::Cell& mk) { return equalsIgnoreCase(mk.column, k.column); });
            if (c == m.key.end() || !same(k.after, c->after.value, tentative)) return false;
        }
        for (const plan::Cell& pc : p.cells) {
            const plan::Cell* c = madeCell(pc.column);
            if (!c) return false;
            if (p.kind != plan::Kind::Delete && !same(pc.after, c->after.value, tentative)) return false;
            if (p.kind != plan::Kind::Insert && !same(pc.before, c->before.value, tentative)) return false;
        }
        // An update changes exactly what the plan says, no other column.
        return p.kind != plan::Kind::Update || p.cells.size() == m.cells.size();
    }
};

std::string line(const plan::RowChange& c) {
    return plan::kindWord(c.kind) + " " + c.table + " " + plan::keyText(c) + " " + plan::cellsText(c, false);
}

}  // namespace

BooksSnapshot::BooksSnapshot(Connection& cn) {
    for (const auto& [table, key] : keyColumns()) {
        auto& rows = tables[table];
        for (RecordsetPtr rs = cn.execute("select * from " + table); rs && !rs->eof(); rs->moveNext()) {
            Row row;
            for (std::size_t i = 0; i < rs->fieldCount(); ++i) row[lowerAscii(rs->fieldInfo(i).name)] = rs->field(i);
            std::string k;
            for (const std::string& column : key) k += keyPart(row[column]) + "|";
            rows[k].push_back(std::move(row));
        }
    }
}

bool BooksSnapshot::operator==(const BooksSnapshot& o) const { return changesBetween(*this, o).empty(); }

std::vector<plan::RowChange> changesBetween(const BooksSnapshot& before, const BooksSnapshot& after) {
    std::vector<plan::RowChange> out;
    for (const auto& [table, afterRows] : after.tables) {
        const auto& beforeRows = before.tables.at(table);
        std::map<std::string, std::pair<std::vector<BooksSnapshot::Row>, std::vector<BooksSnapshot::Row>>> keys;
        for (const auto& [k, rows] : beforeRows) keys[k].first = rows;
        for (const auto& [k, rows] : afterRows) keys[k].second = rows;
        for (auto& [k, pair] : keys) {
            auto& [was, is] = pair;
            if (was.size() == 1 && is.size() == 1) {
                plan::RowChange c = whole(plan::Kind::Update, table, was[0]);
                c.cells.clear();
                for (const auto& [column, value] : was[0])
                    if (!plan::sameValue(value, is[0].at(column))) c.cells.push_back({column, value, is[0].at(column)});
                if (!c.cells.empty()) out.push_back(std::move(c));
                continue;
            }
            // Several rows under one key: whole rows gone and come.
            for (const auto& row : was)
                if (std::none_of(is.begin(), is.end(), [&](const auto& r) { return sameRow(r, row); }))
                    out.push_back(whole(plan::Kind::Delete, table, row));
            for (const auto& row : is)
                if (std::none_of(was.begin(), was.end(), [&](const auto& r) { return sameRow(r, row); }))
                    out.push_back(whole(plan::Kind::Insert, table, row));
        }
    }
    return out;
}

std::string planMismatches(const plan::Plan& plan, const std::vector<plan::RowChange>& made) {
    std::string out;
    Matcher matcher;
    std::vector<bool> used(made.size(), false);
    for (const plan::RowChange& p : plan.changes) {
        bool found = false;
        for (std::size_t i = 0; i < made.size() && !found; ++i) {
            std::map<int, Value> tentative;
            if (used[i] || !matcher.matches(p, made[i], tentative)) continue;
            used[i] = found = true;
            matcher.bound.insert(tentative.begin(), tentative.end());
        }
        if (!found) out += "planned, not made: " + line(p) + "\n";
    }
    for (std::size_t i = 0; i < made.size(); ++i)
        if (!used[i]) out += "made, not planned: " + line(made[i]) + "\n";
    return out;
}

}  // namespace fo::test
