#pragma once
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bills/cLsBILLhead.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "support/Dialects.h"
#include "support/ModuleHost.h"
#include "support/Query.h"
#include "support/RecordingMessages.h"
#include "support/TempFeeDb.h"

namespace fo::test {

using Rows = std::vector<std::string>;

// A bill header object handed a reference host on a fresh fee database, in
// the dialect of the test parameter. Student categories 3, 5 and 8 exist;
// operator 2 ("收费员") may see categories 3 and 5 only.
class BillsTest : public DialectTest {
protected:
    static constexpr int kClerk = 2;

    void SetUp() override {
        db_.exec("insert into kdw_xslx(id,parentid,mc) values(3,0,'全日制'),(5,0,'半日制'),(8,0,'兴趣班')");
        cn_ = db_.open();
        Operators operators(*cn_);
        operators.ensureBuiltIns();
        operators.add(Operator{kClerk, "收费员", false});
        operators.allowCategory(kClerk, 3);
        operators.allowCategory(kClerk, 5);
        actAs(Operators::BuiltInId);
    }

    // Hands the module a host working as operator `userId` (on a server
    // signed in as his own role; the test's connections stay the owner's).
    void actAs(int userId) {
        signedIn_.signIn(db_.path(), userId);
        host_ = std::make_shared<ReferenceHost>(db_.path(), dialectCode(), userId);
        host_->installInModuleGlobals();
        head_.set_gRun(host_);
        head_.set_pSql(dialectCode());
    }

    Rows rows(const std::string& sql) { return joinedRows(*cn_, sql); }

    ScopedGlobals restoreGlobals_;
    TempFeeDb db_;
    ConnectionPtr cn_;  // the owner's, outside the module
    PgSignedInOperator signedIn_;
    RecordingMessages messages_;
    std::shared_ptr<ReferenceHost> host_;
    cLsBILLhead head_;
};

}  // namespace fo::test
