#include "data/myDB.h"

#include <exception>
#include <memory>

#include "data/FeeSchema.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"

namespace fo {
namespace {

constexpr int kSqlServerTimeoutSeconds = 60;

void showDataError(const std::string& description) {
    messages().msgBox(description, MsgButtons::OK, MsgIcon::Information, "提示");
}

void closeQuietly(const ConnectionPtr& connection) {
    if (!connection || connection->state() != Connection::Open) return;
    try {
        connection->close();
    } catch (...) {
        // Nothing can be reported from a destructor; the engine frees the
        // session with the object anyway.
    }
}

}  // namespace

myDB::myDB() : cn_(std::make_shared<Connection>()) {
    HostSystem& host = gRun();
    cn_->setConnectionString(host.gLinkString());
    cn_->setCursorLocation(CursorLocation::Client);
    if (isSqlServer(host.SQL_access())) cn_->setCommandTimeout(kSqlServerTimeoutSeconds);
    cn_->open();
    cn_->execute(feeSessionScript());
}

myDB::~myDB() {
    closeQuietly(cn_);
    closeQuietly(trCn_);
}

ConnectionPtr myDB::cn() const { return cn_; }

void myDB::exeSql(const std::string& Sql) { cn_->execute(Sql); }

RecordsetPtr myDB::getRec(const std::string& strSql) {
    try {
        RecordsetPtr result = cn_->execute(strSql);
        // A statement without columns still gives a (closed) set, so that
        // only a failure answers nullptr.
        if (!result) result = std::make_shared<Recordset>();
        lastResult_ = result;
        return result;
    } catch (const DbError& e) {
        showDataError(e.description());
    } catch (const std::exception& e) {
        showDataError(e.what());
    }
    return nullptr;
}

void myDB::createTrcn() {
    try {
        ConnectionPtr connection = trCn();
        connection->setConnectionString(globals().transLinkString);
        if (isSqlServer(gRun().SQL_access())) connection->setCommandTimeout(kSqlServerTimeoutSeconds);
        connection->open();
    } catch (const DbError& e) {
        showDataError(e.description());
    } catch (const std::exception& e) {
        showDataError(e.what());
    }
}

ConnectionPtr myDB::trCn() const {
    if (!trCn_) trCn_ = std::make_shared<Connection>();
    return trCn_;
}

}  // namespace fo
