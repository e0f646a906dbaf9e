#pragma once
#include "FeeOfficeApi.h"
#include <string>

#include "db/Connection.h"
#include "db/Recordset.h"

namespace fo {

// The module's own database session. Each instance opens its own connection
// (`cn`) on the host's link string when it is made and closes it when it goes;
// a second connection (`trCn`) is opened on demand, on the module's
// transaction link string, for work the caller runs in a transaction.
//
// Use: make one, exeSql / getRec as often as needed; for a transaction call
// createTrcn once, then begin, commit or roll back on trCn() yourself; let the
// object go. Closing trCn with a transaction still open rolls it back.
class FEEOFFICE_API myDB {
public:
    // Opens `cn`: link string from gRun().gLinkString(), client-side cursor,
    // a 60-second command time-out on SQL Server, and the session's own work
    // tables (feeSessionScript). A failure to connect is not trapped: it
    // reaches the code that made the object.
    myDB();
    ~myDB();
    myDB(const myDB&) = delete;
    myDB& operator=(const myDB&) = delete;

    // The session connection, open from construction to destruction.
    ConnectionPtr cn() const;
    // Runs `Sql` on cn; errors reach the caller. A text without any
    // statement fails as an invalid statement does.
    void exeSql(const std::string& Sql = {});
    // Runs `strSql` on cn and returns its result (a closed set for a statement
    // that yields no rows). On error shows the error's description
    // ("提示", information icon) and returns nullptr; the previous result is
    // then kept.
    RecordsetPtr getRec(const std::string& strSql);
    // Opens trCn on the transaction link string; on error shows the message as
    // getRec does and leaves trCn closed. A second call on an open trCn fails
    // that way too.
    void createTrcn();
    // The transaction connection: a closed connection object until createTrcn
    // succeeds, never null.
    ConnectionPtr trCn() const;

private:
    ConnectionPtr cn_;
    RecordsetPtr lastResult_;      // what getRec returned last
    mutable ConnectionPtr trCn_;   // made on first use
};

}  // namespace fo
