// Every statement the windows send while a clerk works through them (the
// register, the void, the reductions and their cancellation, the student
// lookups), planned by the engine on a demo school with its statistics
// gathered: none reads the whole of a table that grows with the books.
#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "data/FeeSchema.h"
#include "data/FeeStatistics.h"
#include "db/DbError.h"
#include "db/sql/SqlLex.h"
#include "db/values/TextCase.h"
#include "module/EveryWindowTest.h"
#include "db/StatementObserver.h"

namespace fo::test {
namespace {

// What a plan may read whole, and why. A row applies to the table named,
// to statements holding `statementHas` and plan lines holding `planHas`
// (either empty: any).
struct ScanAllowed {
    const char* table;
    const char* statementHas;
    const char* planHas;
    const char* reason;
};

const ScanAllowed kMayBeScanned[] = {
    {"ajzrq", "", "", "the month calendar: twelve rows a year"},
    {"termdate", "", "", "the terms: two rows a year"},
    {"kdw_year", "", "", "the school years: one row a year"},
    {"hisxsinfo", "", "", "the carried-over months: one row a month"},
    {"kdw_bj", "", "", "the classes"},
    {"kdw_sflx", "", "", "the fee types"},
    {"kdw_sfxm", "", "", "the fee items"},
    {"kdw_sflxmx", "", "", "the fee items of each fee type"},
    {"kdw_xslx", "", "", "the tree of student categories"},
    {"sys_user", "", "", "the operators"},
    {"sys_user_right", "", "", "the operators' rights"},
    {"sys_user_xslb", "", "", "the operators' student categories"},
    {"sys_setting", "", "", "the office's settings"},
    {"sys_yflock", "", "", "the locked months"},
    {"sys_billtype", "", "", "the receipt forms"},
    {"fo_schema", "", "", "the one row that names the database"},
    {"kdw_xs", "", "",
     "the students: a search by part of a number, name or short code, the attending students counted or "
     "listed by class read them all; they grow by an intake a year, not with the postings"},
    {"PJML", "group by", "COVERING INDEX",
     "the register's issuer, class and state lists: their text is the system's own, and an index of the "
     "column gives its values in order without reading the receipts"},
};

bool contains(const std::string& text, const std::string& part) {
    return part.empty() || text.find(part) != std::string::npos;
}

bool isQuery(const std::string& sql) {
    static const std::regex query("^\\s*(select|insert|update|delete|with)\\b", std::regex::icase);
    return std::regex_search(sql, query) && sql.find(';') == std::string::npos;
}

// The tables and views of the database (lower-case name to its name), and
// the views' text, by lower-case name.
struct Schema {
    std::map<std::string, std::string> tables;
    std::map<std::string, std::string> views;
    std::set<std::string> temporary;
};

Schema readSchema(Connection& cn) {
    Schema s;
    for (const auto& row : fieldRows(cn, "select type,name,sql from sqlite_master where type in('table','view')")) {
        if (row[0] == "view") s.views[lowerAscii(row[1])] = row[2];
        else s.tables[lowerAscii(row[1])] = row[1];
    }
    for (const std::string& name : firstColumn(cn, "select name from sqlite_temp_master where type='table'")) {
        s.tables[lowerAscii(name)] = name;
        s.temporary.insert(lowerAscii(name));
    }
    return s;
}

// The words of a statement outside its literals and comments, in lower
// case, each punctuation mark a word of its own.
std::vector<std::string> wordsOf(const std::string& sql) {
    std::vector<std::string> words;
    for (const sqllex::Piece& p : sqllex::lex(sql))
        if (sqllex::significant(p) && p.kind != sqllex::Lex::Literal)
            words.push_back(lowerAscii(sqllex::textOf(sql, p)));
    return words;
}

// The table that `alias` names in `sql` ("kdw_xs as a", "kdw_xs a"); empty
// when none does.
std::string aliasedTable(const std::string& alias, const std::string& sql, const Schema& schema) {
    const std::vector<std::string> w = wordsOf(sql);
    for (std::size_t i = 0; i + 1 < w.size(); ++i) {
        if (!schema.tables.count(w[i]) && w[i].rfind("tmp", 0) != 0) continue;
        const std::size_t at = w[i + 1] == "as" ? i + 2 : i + 1;
        if (at < w.size() && w[at] == alias) return w[i];
    }
    return {};
}

// The tables a name in a plan line stands for: the table itself, or what an
// alias names in the statement, else in a view the statement reads.
std::set<std::string> tablesNamed(const std::string& name, const std::string& sql, const Schema& schema) {
    const std::string key = lowerAscii(name);
    if (schema.tables.count(key) || key.rfind("tmp", 0) == 0) return {key};
    if (const std::string t = aliasedTable(key, sql, schema); !t.empty()) return {t};
    std::set<std::string> out;
    const std::vector<std::string> words = wordsOf(sql);
    for (const auto& [view, definition] : schema.views)
        if (std::find(words.begin(), words.end(), view) != words.end())
            if (const std::string t = aliasedTable(key, definition, schema); !t.empty()) out.insert(t);
    return out;
}

const ScanAllowed* allowance(const std::string& table, const std::string& sql, const std::string& plan,
                             const Schema& schema) {
    static const ScanAllowed workTable = {"", "", "", "a session's work table holds one posting's rows"};
    if (schema.temporary.count(table) || table.rfind("tmp", 0) == 0) return &workTable;
    for (const ScanAllowed& a : kMayBeScanned)
        if (lowerAscii(a.table) == table && contains(lowerAscii(sql), lowerAscii(a.statementHas)) &&
            contains(plan, a.planHas))
            return &a;
    return nullptr;
}

// Plans every query the windows send, the moment they send it, on a
// session of its own (which sees the work tables a window made and
// committed); a statement's plan lines, or the engine's words when it
// cannot be planned there.
class PlanningTrace final : public StatementObserver {
public:
    explicit PlanningTrace(const std::string& path)
        : reader_(openConnection(sqliteConnectionString(path))), previous_(statementObserver()) {
        reader_->execute(feeSessionScript());
        setStatementObserver(this);
    }
    ~PlanningTrace() override { setStatementObserver(previous_); }
    PlanningTrace(const PlanningTrace&) = delete;
    PlanningTrace& operator=(const PlanningTrace&) = delete;

    struct Plan {
        std::vector<std::string> lines;
        std::string refusal;
    };

    void statementSent(const std::string& sql) noexcept override {
        if (planning_ || !isQuery(sql) || plans_.count(sql)) return;
        planning_ = true;  // the planning's own statement passes by here too
        Plan& plan = order_.emplace_back(sql, Plan{}).second;
        try {
            for (const auto& row : fieldRows(*reader_, "EXPLAIN QUERY PLAN " + sql)) plan.lines.push_back(row[3]);
        } catch (const DbError& e) {
            plan.refusal = e.engineText();
        } catch (const std::exception& e) {
            plan.refusal = e.what();
        }
        plans_.insert(sql);
        planning_ = false;
    }

    const std::vector<std::pair<std::string, Plan>>& plans() const { return order_; }

private:
    ConnectionPtr reader_;
    StatementObserver* previous_;
    bool planning_ = false;
    std::set<std::string> plans_;
    std::vector<std::pair<std::string, Plan>> order_;
};

class QueryPlan : public EveryWindowTest {
protected:
    // Big enough that the planner, knowing the sizes, weighs an index
    // against a scan as it would on a large school's books.
    QueryPlan() { demoOptions.students = 2000; }
};

TEST_P(QueryPlan, NoWindowReadsAWholeTableThatGrowsWithTheBooks) {
    // The links of the arrears rows as an engine gathers them on books where
    // nearly every row links nowhere (a school that seldom splits an arrears
    // row): each lookup seems to find the whole table. The program states
    // them as its lookups see them.
    cn->execute("update sqlite_stat1 set stat=(stat+0)||' '||(stat+0) where idx in('ix_qfhzb_yqfkid',"
                "'ix_qfhzb_sfjlid','ix_qfhzb_jmjlid','ix_kdw_sfjl_hkid')");
    stateLinkStatistics(*cn);
    auto trace = std::make_unique<PlanningTrace>(dbPath);
    workEveryWindow();
    const auto plans = trace->plans();
    trace.reset();
    const Schema schema = readSchema(*cn);

    int planned = 0, unplanned = 0;
    std::set<std::string> scannedByReason;
    for (const auto& [sql, plan] : plans) {
        if (!plan.refusal.empty()) {
            // The counters live in a file of their own, looked up by their
            // key; a posting's work table is made inside its transaction.
            EXPECT_TRUE(contains(plan.refusal, "no such table: tmp") ||
                        contains(plan.refusal, "no such table: counters"))
                << plan.refusal << "\n" << sql;
            ++unplanned;
            continue;
        }
        ++planned;
        for (const std::string& line : plan.lines) {
            // A table-valued function (the schema's pragmas) is no stored table.
            if (line.rfind("SCAN ", 0) != 0 || contains(line, "VIRTUAL TABLE")) continue;
            const std::string name = line.substr(5, line.find(' ', 5) - 5);
            const std::set<std::string> tables = tablesNamed(name, sql, schema);
            // What is neither a table nor an alias of one is a subquery's
            // rows (whose own reads have lines of their own) or a constant.
            const std::regex derived("\\)\\s*(as\\s+)?" + name + "\\b", std::regex::icase);
            if (tables.empty() && name != "CONSTANT" && name.rfind("(", 0) != 0 && !std::regex_search(sql, derived))
                ADD_FAILURE() << "cannot tell what " << name << " is in: " << line << "\n" << sql;
            for (const std::string& table : tables) {
                if (const ScanAllowed* a = allowance(table, sql, line, schema)) scannedByReason.insert(a->reason);
                else ADD_FAILURE() << table << " is read whole (" << line << ") by:\n" << sql;
            }
        }
    }
    // The windows' statements were there to plan, and the planner was asked
    // about nearly all of them.
    EXPECT_GT(planned, 100);
    EXPECT_LT(unplanned * 10, planned);
    // The small tables are read whole somewhere, so the names in the plans
    // were told apart from aliases.
    EXPECT_FALSE(scannedByReason.empty());
}

FO_INSTANTIATE_DIALECTS(QueryPlan);

}  // namespace
}  // namespace fo::test
