// Fee databases on the server: a creation makes one with its stamp, opening
// recognises it, and anything else is refused as it is.
#include <gtest/gtest.h>

#include "data/CashTotals.h"
#include "data/FeeDatabase.h"
#include "data/FeeSchema.h"
#include "data/PgFeeSchema.h"
#include "data/PgServerRoles.h"
#include "db/DbError.h"
#include "db/pg/PgErrors.h"
#include "db/pg/PgLink.h"
#include "host/operators/Operators.h"
#include "support/ErrorOf.h"
#include "support/PgTestServer.h"
#include "support/ScratchPgDatabases.h"
#include "support/Query.h"

namespace fo::test {
namespace {

class PgFeeDatabase : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(onPostgres()) << "runs on the PostgreSQL test cluster only"; }
    DbError refusal(const std::string& link) {
        return errorOf([&] { openFeeDatabase(link); });
    }
    ScratchPgDatabases scratch;
};

// A second creation refuses the database, which keeps its rows; an empty
// database an administrator made is filled; anything else, or a newer
// schema, is refused untouched.
TEST_F(PgFeeDatabase, ANewOneIsMadeOnTheServerNeverOverAnotherAndAnythingElseIsRefusedUntouched) {
    const std::string link = scratch.fresh("fo_fdb_new");
    createFeeDatabase(link)->execute("insert into kdw_bj(id,mc) values(1,'大一班')");
    EXPECT_EQ(errorOf([&] { createFeeDatabase(link); }).code(), dberr::AlreadyExists);
    EXPECT_EQ(scalar(*openFeeDatabase(link), "select count(*) from kdw_bj").toInt(), 1);
    const std::string empty = scratch.fresh("fo_fdb_empty");
    openConnection(pgLinkToDatabase(empty, "postgres"))->execute("create database " + pgLinkParts(empty).database);
    createFeeDatabase(empty)->close();
    EXPECT_EQ(feeSchemaVersionOf(*openFeeDatabase(empty)), kFeeSchemaVersion);

    const std::string other = scratch.fresh("fo_fdb_other");
    openConnection(pgLinkToDatabase(other, "postgres"))->execute("create database " + pgLinkParts(other).database);
    openConnection(other)->execute("create table public.invoices(id int); insert into public.invoices values(7)");
    DbError e = refusal(other);
    EXPECT_EQ(e.kind(), DbErrorKind::NotFeeDatabase) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(other), "select count(*) from public.invoices").toInt(), 1);
    const std::string newer = scratch.fresh("fo_fdb_newer");
    createFeeDatabase(newer)->execute("update fo_schema set version=version+1");
    e = refusal(newer);
    EXPECT_EQ(e.kind(), DbErrorKind::NewerSchema) << e.engineText();
    EXPECT_EQ(scalar(*openConnection(newer), "select version from fo_schema").toInt(), kFeeSchemaVersion + 1);
    const DbError gone = refusal(scratch.fresh("fo_fdb_missing"));
    EXPECT_EQ(gone.kind(), DbErrorKind::Missing) << gone.engineText();
    EXPECT_EQ(pgSqlState(gone.code()), "3D000");
    EXPECT_NE(gone.description().find("fo_fdb_missing"), std::string::npos) << gone.description();
}

// Version 8 deleted what is now retired, had no table of students' moves
// (the administrators' to keep and the clerks' to read, as the rest of the
// school is), counted no pending sign-ins and kept the rights in rows only:
// the upgrade adds the count and makes every operator's rights memberships.
TEST_F(PgFeeDatabase, AVersionEightDatabaseRetiresGrantsItsMovesAndMakesItsOperatorsRightsMemberships) {
    const std::string link = scratch.fresh("fo_fdb_v8");
    {
        ConnectionPtr cn = createFeeDatabase(link);
        Operators operators(*cn);
        operators.ensureBuiltIns();
        operators.add(Operator{2, "收费员甲", false});
        for (const char* table : {"sys_log", "kdw_sfjl"})
            cn->execute(std::string("drop trigger fo_") + table + "_rights on " + table);
        cn->execute("drop table fo_right_roles");
        cn->execute("alter table sys_user drop column pending");
        cn->execute("insert into sys_user_right(userid,rightcode,level) values(2,'PJCX',2)");
        cn->execute("drop table kdw_xsbd");
        for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"})
            cn->execute(std::string("alter table ") + table + " drop column del");
        cn->execute("update fo_schema set version=8");
        cn->execute("insert into kdw_xs(id,xh,xm,bjid,sflxid,rxsj) values(11,'A001','王小展',3,2,'2025-09-01')");
    }
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    for (const char* table : {"kdw_bj", "kdw_xslx", "kdw_sfxm", "kdw_sflx"})
        EXPECT_NO_THROW(cn->execute(std::string("select del from ") + table)) << table;
    EXPECT_EQ(firstColumn(*cn, "select xsid||'|'||bjid||'|'||sflxid||'|'||to_char(bdrq,'YYYY-MM-DD') from kdw_xsbd"),
              std::vector<std::string>{"11|3|2|2025-09-01"});
    const auto may = [&](const std::string& kind, const std::string& what) {
        return scalar(*cn, "select case when has_table_privilege((select rolename from fo_server_roles where kind='" +
                               kind + "'), 'kdw_xsbd', '" + what + "') then 1 else 0 end").toInt();
    };
    EXPECT_EQ(may("clerks", "select"), 1);
    EXPECT_EQ(may("clerks", "insert"), 0);
    EXPECT_EQ(may("admins", "insert"), 1);
    EXPECT_EQ(scalar(*cn, "select pending from sys_user where id=2").toInt(), 0);
    EXPECT_EQ(scalar(*cn, "select count(*) from fo_operator_roles o, fo_right_roles r where o.userid=2 and "
                          "r.rightcode='PJCX' and r.level=2 and pg_has_role(o.rolename, r.rolename, 'member')")
                  .toInt(),
              1);
    EXPECT_EQ(pgRightMembershipFaults(*cn), std::vector<std::string>{});
}

// Version 4 had no fee records index that carries the register's amounts;
// version 5 kept document numbers case-insensitive, and the office reads
// them in a view of its own.
TEST_F(PgFeeDatabase, AVersionFourDatabaseGetsTheRegistersIndexAndComparesDocumentNumbersByteForByte) {
    const std::string link = scratch.fresh("fo_fdb_v4");
    const char* const tables[] = {"PJML", "kdw_sfjl", "INandOutML"};
    const std::string registerRows =
        "select a.id||'|'||a.djbh||'|'||b.ysk from PJML as a,kdw_sfjl as b,kdw_xs as c "
        "where a.djbh=b.djbh and a.xsid=c.id order by a.id desc";
    std::vector<std::string> before;
    {
        ConnectionPtr cn = createFeeDatabase(link);
        dropCashTotalsTriggers(*cn);  // version 14's, which name djbh
        cn->execute("drop index ix_kdw_sfjl_djbh_ysk_hkje");
        cn->execute("create index ix_kdw_sfjl_djbh on kdw_sfjl(djbh)");
        for (const char* table : tables) cn->execute(std::string("alter table ") + table + " alter column djbh type citext");
        cn->execute("update fo_schema set version=4");
        cn->execute("insert into kdw_xs(id,xh,xm) values(11,'A001','王小展'),(12,'A002','李二')");
        cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysk,hkje) values(1,'SF1',11,20,0),(2,'SF2',12,0,35.5)");
        cn->execute("insert into PJML(id,djbh,xsid,hjje) values(10,'SF1',11,300),(20,'SF2',12,120.5)");
        cn->execute("insert into INandOutML(djbh,id,je) values('SF1',1,300)");
        cn->execute("create view v_office_numbers as select a.djbh, a.hjje from PJML as a where left(a.djbh,2)='SF'");
        before = firstColumn(*cn, registerRows);
        ASSERT_EQ(before.size(), 2u);
        ASSERT_EQ(scalar(*cn, "select count(*) from PJML where djbh='sf1'").toInt(), 1);
    }
    ConnectionPtr cn = openFeeDatabase(link);
    EXPECT_EQ(feeSchemaVersionOf(*cn), kFeeSchemaVersion);
    EXPECT_EQ(firstColumn(*cn, registerRows), before);
    EXPECT_EQ(scalar(*cn, "select string_agg(indexname, ',' order by indexname) from pg_indexes "
                          "where tablename='kdw_sfjl' and indexname like 'ix_kdw_sfjl_djbh%'").toText(),
              "ix_kdw_sfjl_djbh_ysk_hkje");
    EXPECT_EQ(firstColumn(*cn, "select djbh||'|'||hjje from v_office_numbers order by djbh"),
              (std::vector<std::string>{"SF1|300.0000", "SF2|120.5000"}));
    for (const char* table : tables) {
        const std::string from = std::string(" from ") + table;
        EXPECT_EQ(scalar(*cn, "select count(*)" + from + " where djbh='sf1'").toInt(), 0) << table;
        EXPECT_EQ(scalar(*cn, "select count(*)" + from + " where djbh='SF1'").toInt(), 1) << table;
        EXPECT_GT(scalar(*cn, "select count(*)" + from + " where left(djbh,2)='SF'").toInt(), 0) << table;
    }
    // A new database has them so too, and the counters' range of numbers is
    // read from the index.
    cn->execute("set enable_seqscan = off");
    std::string plan;
    for (const std::string& line :
         firstColumn(*cn, "explain select max(djbh) from INandOutML where djbh>'SF0000' and djbh<='SF9999'"))
        plan += line + "\n";
    EXPECT_NE(plan.find("ix_inandoutml_djbh"), std::string::npos) << plan;
    const std::string fresher = scratch.fresh("fo_fdb_v6");
    EXPECT_EQ(scalar(*createFeeDatabase(fresher), "select count(*) from information_schema.columns where "
                                                  "column_name='djbh' and data_type='character varying'").toInt(), 3);
}

}  // namespace
}  // namespace fo::test
