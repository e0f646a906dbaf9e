#pragma once
#include "FeeOfficeApi.h"
#include <string>

#include "db/Connection.h"
#include "db/values/Value.h"

namespace fo {

// The database-information object of the sibling library: the current
// database and user, and the counters. The module creates a new one wherever
// it needs one (see ModuleGlobals::newDbInfo).
class FEEOFFICE_API DbInfo {
public:
    virtual ~DbInfo() = default;
    virtual Value SqlKind() = 0;            // dialect code, 1 = SQL Server
    virtual std::string UserName() = 0;  // the current user's name, written as operator or payee
    virtual std::string LinkString() = 0;  // the connection string of the current database
    virtual std::string UserId() = 0;       // numeric text
    virtual ConnectionPtr Connection() = 0;       // open, for reads
    virtual ConnectionPtr TransConnection() = 0;  // open, for one transaction
    virtual std::string NextId(const std::string& table, int count = 1) = 0;  // the next free id of a counter ("INandOutML")
    virtual std::string NextBillNo(const std::string& prefix) = 0;  // the next document number with a prefix ("QXSF", "QXJM")
};

}  // namespace fo
