#pragma once
#include "FeeOfficeApi.h"
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/values/DateTime.h"
#include "db/PreparedStatements.h"
#include "db/sql/SqlText.h"
#include "db/values/Value.h"

// What a posting will do, worked out before it does it. A posting reads the
// stored rows and makes its plan: the statements it will run, every row they
// will insert, change or delete (with the values before and after, and why),
// and the refusals it will meet. A preview shows the plan and writes
// nothing; the posting makes the plan again inside its transaction, refuses
// when it differs from the one the clerk saw, and runs its statements. The
// preview and the posting come out of the same code, so they cannot differ.
namespace fo::plan {

// Where a value of a plan comes from: the stored rows (or the clerk's
// input), a counter the posting draws from as it runs (a new id or document
// number), or the moment the posting runs.
enum class Origin { Stored, Fresh, Moment };

struct FEEOFFICE_API Datum {  // one value of a plan, and where it comes from
    Value value;  // the value (a placeholder in a preview for what is drawn)
    Origin origin = Origin::Stored;  // where it comes from
    // The n-th value the plan draws (from 1), so a preview can say that the
    // mirror's items belong to the mirror before either has its number.
    int draw = 0;

    Datum() = default;
    Datum(Value v) : value(std::move(v)) {}  // a stored value
    Datum(const char* v) : value(v) {}  // a stored text
    // As the statements write it.
    std::string text() const { return value.toText(); }
};

enum class Kind { Insert, Update, Delete };  // what a posting does to a row

struct FEEOFFICE_API Cell {  // one column of a row a posting writes
    std::string column;  // the column's name
    Datum before, after;  // its value before and after the posting
};

// One row a posting writes. `key` names the row (its values before an
// update or delete, after an insert; only `after` is set); `cells` are the
// columns an insert writes (after), the columns an update changes (before
// and after) or the row a delete removes (before).
struct FEEOFFICE_API RowChange {
    Kind kind = Kind::Insert;  // insert, update or delete
    std::string table;  // the table written
    std::vector<Cell> key;  // the columns that name the row
    std::vector<Cell> cells;  // the columns written
    std::string reason;  // for the clerk
};

// Why the posting will not run. `code` is short and stable (scripts and
// windows test it); `reason` is what the clerk reads; `laterId`/`laterDjbh`
// name the later operation that must be cancelled first, when one is known.
struct FEEOFFICE_API Refusal {
    std::string code;  // short and stable: scripts and windows test it
    std::string reason;  // what the clerk reads
    std::string laterId, laterDjbh;  // the later operation to cancel first, when known
};

// One statement the plan runs: a write with the number of rows it must
// change (-1: not checked), or a read with the first row it must give back.
struct FEEOFFICE_API Step {
    SqlText sql;  // the statement
    long rows = -1;  // the rows a write must change; -1 not checked
    std::vector<Value> expect;  // the first row a read must give back
};

// What a clerk reads first in a batch: one line per student and item.
struct FEEOFFICE_API Line {
    std::vector<Value> cells;  // the line's values, under the summary's captions
    std::string refusal;  // "" when the line is posted
};
struct FEEOFFICE_API Summary {  // the lines a clerk reads first, under their captions
    std::vector<std::string> captions;  // the column captions
    std::vector<Line> lines;  // one line per student and item
};

// An amount the plan was made on that none of its rows holds: what a
// student owed of charges not stored yet, which the posting reduces
// without touching a row that could show another clerk's posting. `what`
// names it for the clerk (student, item and period).
struct FEEOFFICE_API Reading {
    std::string what;  // the student, item and period, for the clerk
    Value value;  // the amount
};

class FEEOFFICE_API Plan {  // what a posting will write, or why it will not run
public:
    // A preview plan carries placeholders for what only the posting draws
    // and composes no statement: it is shown, never run.
    explicit Plan(bool preview = true) : preview_(preview) {}
    bool preview() const { return preview_; }

    std::vector<RowChange> changes;  // every row written, in order
    std::vector<Refusal> refusals;  // why it will not run; empty when it runs
    std::vector<Step> steps;  // the statements it runs, with their checks
    Summary summary;  // the lines a clerk reads first
    std::vector<Reading> readings;  // amounts it was made on that no row holds

    bool refused() const { return !refusals.empty(); }  // whether it will not run
    // Whether the plan describes the rows it writes (`changes`, the lines
    // of `summary`) for a clerk or a comparison to read; a posting nobody
    // compares or shows keeps only its statements, their checks and its
    // refusals. A preview always describes.
    bool describes() const { return preview_ || describes_; }
    void describeRows(bool describe) { describes_ = describe; }
    const Refusal* refusal(const std::string& code) const;

    // --- building ---
    // Refuses the posting: the rows and statements planned so far go.
    void refuse(std::string code, std::string reason, std::string laterId = {}, std::string laterDjbh = {});
    // A statement, composed only when the plan is run (a preview has no
    // numbers to write into it).
    void run(const std::function<SqlText()>& sql, long rows = -1);
    void read(const std::function<SqlText()>& sql, std::vector<Value> firstRow);
    void insert(const std::string& table, std::vector<Cell> key, std::vector<Cell> cells, std::string reason);
    // One changed column of a row; changes of one row gather in one entry
    // (its first reason stays), and a column set to what it holds is none.
    void update(const std::string& table, const std::vector<Cell>& key, const std::string& column, const Datum& before,
                const Datum& after, const std::string& reason);
    void remove(const std::string& table, std::vector<Cell> key, std::vector<Cell> before, std::string reason);
    // An amount the plan was made on (kept only by a plan that describes).
    void basedOn(std::string what, Value value);
    // Another plan's rows, refusals, statements and lines after these.
    void append(const Plan& other);

private:
    bool preview_;
    bool describes_ = true;
};

// Cells from (column, value) pairs, as a key or an insert's values.
FEEOFFICE_API std::vector<Cell> cells(std::initializer_list<std::pair<const char*, Datum>> values);
// The same with the values as they were (a delete's row).
FEEOFFICE_API std::vector<Cell> cellsBefore(std::initializer_list<std::pair<const char*, Datum>> values);

// What a plan draws as the posting runs: new ids and document numbers from
// the counters, and the moment. A preview draws nothing; it numbers the
// values it would draw and shows "(新1)" where they go.
class FEEOFFICE_API Draws {
public:
    using Counter = std::function<std::string(const std::string& name)>;  // draws the next id of a counter, or number of a prefix
    // A preview's placeholders.
    Draws();
    // A posting's: `id` draws from a named counter ("INandOutML", "qfhzb"),
    // `number` a document number for a prefix ("QXSF", "JM").
    Draws(Counter id, Counter number);
    bool posting() const { return bool(id_); }
    Datum id(const std::string& counter);
    Datum number(const std::string& prefix);
    // The moment of the posting, one for the whole plan.
    Datum moment() const;
    const DateTime& now() const { return now_; }

private:
    Counter id_, number_;
    int drawn_ = 0;
    DateTime now_;
};

// Values equal as the books hold them: numbers by value (a text that is a
// number included), a date and a text that reads as that date alike, null
// only null.
FEEOFFICE_API bool sameValue(const Value& a, const Value& b);
// Two values of plans alike: drawn values by their draw, moments always,
// stored values by sameValue.
FEEOFFICE_API bool sameDatum(const Datum& a, const Datum& b);

// Error code of a posting whose statements did not do what its plan said.
inline constexpr int kPlanMismatch = -20;

// Runs the plan's statements in order on `cn`, the posting's transaction. A
// statement that changes another number of rows, or a read that gives back
// another row, than the plan says throws DbError(kPlanMismatch): the caller
// rolls back. A preview plan is never run (std::logic_error). With
// `prepared`, the statements composed with their values apart run prepared
// once for all the plans run with it (a batch posting's students) and are
// sent as one series, checked when all have answered: on a server one
// round trip per plan instead of one per statement.
FEEOFFICE_API void execute(Connection& cn, const Plan& plan, PreparedStatements* prepared = nullptr);

// The rows of `seen`, the plan a clerk was shown, that `now`, made again in
// the transaction, no longer matches (changed, gone or new), and the
// readings that came out otherwise, one line each for the clerk; empty when
// both do the same. Drawn values and the moment
// match whatever they became.
FEEOFFICE_API std::vector<std::string> differences(const Plan& seen, const Plan& now);
// The refusal of a posting whose plan changed since the preview.
FEEOFFICE_API std::string changedSincePreview(const std::vector<std::string>& rows);

// --- texts ---
FEEOFFICE_API std::string kindText(Kind kind);                     // 新增, 修改, 删除
FEEOFFICE_API std::string tableCaption(const std::string& table);  // 收费记录, 欠费, ...
FEEOFFICE_API std::string columnCaption(const std::string& column);  // what a clerk calls a column ("应收金额")
FEEOFFICE_API std::string datumText(const Datum& d);  // "(新1)", "(记账时)", "(空)", amounts "0.00", the value
FEEOFFICE_API std::string keyText(const RowChange& c);  // "qfkid=12", "sfjlid=(新1),sfxmid=3"
// "付款日期: 2026-10-01 → (空)；收费记录: 43 → 0" (with `captions`), or
// "fkrq=2026-10-01>(空);sfjlid=43>0"; an insert's and a delete's values alone.
FEEOFFICE_API std::string cellsText(const RowChange& c, bool captions);
// The plan one line per row and refusal, tab-separated, as scripts read it,
// after a batch's lines ("line<TAB>cell<TAB>…<TAB>refusal"):
// "update<TAB>qfhzb<TAB>qfkid=12<TAB>fkrq=2026-10-01>(空);sfjlid=43>0<TAB>reason",
// "refused<TAB>code<TAB>reason".
FEEOFFICE_API std::vector<std::string> dumpLines(const Plan& plan);
FEEOFFICE_API std::string kindWord(Kind kind);  // insert, update, delete

}  // namespace fo::plan
