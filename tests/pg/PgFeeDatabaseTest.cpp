// Fee databases on the server: a creation makes one with its stamp, opening
// recognises it, and anything else is refused as it is.
#include <gtest/gtest.h>

#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "data/PgFeeSchema.h"
#include "db/DbError.h"
#include "db/pg/PgLink.h"
#include "support/PgTestServer.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class PgFeeDatabase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    void TearDown() override {
        for (const std::string& link : made) dropPgDatabase(link);
    }
    // A database name of this test's own, not there yet.
    std::string fresh(const std::string& tag) {
        made.push_back(pgTestLink("fo_fdb_" + tag + "_" + std::to_string(::getpid())));
        dropPgDatabase(made.back());
        return made.back();
    }
    DbError refusal(const std::string& link) {
        try {
            openFeeDatabase(link);
        } catch (const DbError& e) {
            return e;
        }
        ADD_FAILURE() << link << " was opened";
        return DbError(0, "");
    }
    std::vector<std::string> made;
};

TEST_F(PgFeeDatabase, ANewOneIsMadeOnTheServerWithItsStampAndNeverOverAnother) {
    const std::string link = fresh("new");
    createFeeDatabase(link)->close();
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(scalar(*cn, "select version from fo_schema").toInt(), kFeeSchemaVersion);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    cn->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
    // A second creation refuses the database, which keeps its rows.
    try {
        createFeeDatabase(link);
        ADD_FAILURE() << "a fee database was made over another";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), dberr::AlreadyExists);
    }
    EXPECT_EQ(scalar(*cn, "select count(*) from kdw_bj").toInt(), 1);
    // An empty database an administrator made is filled.
    const std::string empty = fresh("empty");
    openConnection(pgLinkToDatabase(empty, "postgres"))->execute("create database " + pgLinkParts(empty).database);
    createFeeDatabase(empty)->close();
    EXPECT_EQ(feeSchemaVersionOf(*openFeeDatabase(empty)), kFeeSchemaVersion);
}

TEST_F(PgFeeDatabase, AnythingElseIsRefusedUntouchedAndANewerSchemaToo) {
    const std::string other = fresh("other");
    openConnection(pgLinkToDatabase(other, "postgres"))->execute("create database " + pgLinkParts(other).database);
    openConnection(other)->execute("create table public.invoices(id int); insert into public.invoices values(7)");
    DbError e = refusal(other);
    EXPECT_EQ(e.kind(), DbErrorKind::NotFeeDatabase) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(other), "select count(*) from public.invoices").toInt(), 1);

    const std::string newer = fresh("newer");
    createFeeDatabase(newer)->execute("update fo_schema set version=version+1");
    e = refusal(newer);
    EXPECT_EQ(e.kind(), DbErrorKind::NewerSchema) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(newer), "select version from fo_schema").toInt(), kFeeSchemaVersion + 1);

    e = refusal(fresh("missing"));
    EXPECT_EQ(e.kind(), DbErrorKind::Missing) << e.engineText();
}

TEST_F(PgFeeDatabase, AVersionFourDatabaseGetsTheFeeRecordsIndexThatCarriesTheRegistersAmounts) {
    const std::string link = fresh("v4");
    {
        ConnectionPtr cn = createFeeDatabase(link);
        cn->execute("drop index ix_kdw_sfjl_djbh_ysk_hkje");
        cn->execute("create index ix_kdw_sfjl_djbh on kdw_sfjl(djbh)");
        cn->execute("update fo_schema set version=4");
        cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysk,hkje) values(1,'SF1',11,20,0)");
        cn->execute("insert into PJML(id,djbh,xsid,hjje) values(10,'SF1',11,300)");
    }
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(scalar(*cn, "select string_agg(indexname, ',' order by indexname) from pg_indexes "
                          "where tablename='kdw_sfjl' and indexname like 'ix_kdw_sfjl_djbh%'").toText(),
              "ix_kdw_sfjl_djbh_ysk_hkje");
    EXPECT_EQ(scalar(*cn, "select a.id||'|'||b.ysk from PJML as a,kdw_sfjl as b where a.djbh=b.djbh").toText(),
              "10|20.0000");
}

}  // namespace
}  // namespace fo::test
