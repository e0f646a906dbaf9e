#pragma once
#include "FeeOfficeApi.h"
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/Recordset.h"
#include "db/values/Value.h"

namespace fo {

class EngineStatement;

// One statement of a series (see Statement::executeSeries): what runs, and
// what it gave back.
struct FEEOFFICE_API SeriesRun {
    EngineStatement* statement = nullptr;  // the prepared statement to run
    const std::vector<Value>* values = nullptr;  // its values, one per "?"
    RecordsetPtr set;  // what it gave back, when it yields rows
    long affected = 0;  // the rows it changed
};

// What an engine keeps of a statement prepared once and run many times.
class FEEOFFICE_API EngineStatement {
public:
    virtual ~EngineStatement() = default;
    virtual int parameterCount() const = 0;  // how many "?" the statement has
    // Runs the statement with one value per parameter, in order (null where
    // none was bound), to its end; returns its materialised set when it
    // yields columns, nullptr otherwise, as Engine::execute does. The
    // statement is ready to run again afterwards, on every path.
    virtual RecordsetPtr execute(const std::vector<Value>& values, long* affected) = 0;
    // Runs `runs` (statements of this one's session, this one first) in
    // order, filling in each one's set and changed rows. An engine that can
    // sends them as one exchange (a server: one round trip); the first that
    // fails is thrown, and nothing after it has changed a row. By default
    // they run one after another.
    virtual void executeSeries(std::vector<SeriesRun>& runs) {
        for (SeriesRun& run : runs) run.set = run.statement->execute(*run.values, &run.affected);
    }
};

// A statement prepared once on a connection and run many times with values
// bound to its parameters: "?" in the text, numbered from 1 in the order
// they stand. The text is a statement of either dialect and is handled as
// Connection::execute handles one (the same few token-aware rewrites), once,
// when it is prepared. A bound value is written as the engine stores that
// kind of value: a whole number as an integer, money exactly, a date as
// "yyyy-mm-dd" (with " hh:mm:ss" when it has a time), text as it is (no
// quoting to do), null as null.
//
// A statement belongs to the connection that prepared it and runs on its
// session, inside the transaction open there; used after the connection
// closed it throws DbError instead. It holds no lock and no snapshot between
// runs. Errors are the connection's: DbError with the clerk's description.
class FEEOFFICE_API Statement {
public:
    Statement(Statement&&) noexcept;  // moves the prepared statement
    Statement& operator=(Statement&&) noexcept;  // moves the prepared statement
    ~Statement();

    const std::string& text() const { return text_; }  // the statement as prepared
    int parameterCount() const { return static_cast<int>(values_.size()); }  // how many "?" the statement has
    // False once its connection closed.
    bool usable() const { return !session_.expired(); }

    // Binds parameter `index` (from 1); a DbError names an index out of range.
    Statement& bind(int index, Value value);
    // Binds every parameter in order; a DbError when the count differs.
    Statement& bindAll(std::vector<Value> values);
    // Every parameter back to null.
    void clearBindings();
    // Runs the statement with the values bound now; they stay bound for the
    // next run.
    RecordsetPtr execute(long* recordsAffected = nullptr);
    // Runs statements (of one connection) in order, each with its values (a
    // statement may stand in a series more than once), as one exchange with
    // the engine where it can (on a server one round trip for all, where
    // one by one each waits for its answer): the writes of one posting's
    // row, sent together. Gives back each one's set and, in `affected`, its
    // changed rows. The first that fails throws its error; what ran before
    // it stays in the transaction, which the caller rolls back. The values
    // bound to the statements stay as they were.
    using Run = std::pair<Statement*, std::vector<Value>>;
    static std::vector<RecordsetPtr> executeSeries(const std::vector<Run>& runs, std::vector<long>& affected);

private:
    friend class Connection;
    void beforeRun() const;
    Statement(std::string text, std::unique_ptr<EngineStatement> engine, std::weak_ptr<const void> session);

    std::string text_;
    std::unique_ptr<EngineStatement> engine_;
    std::weak_ptr<const void> session_;  // expires when the connection closes
    std::vector<Value> values_;
};

}  // namespace fo
