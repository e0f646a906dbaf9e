// The statements of a bill void and a charge cancellation, composed for
// both dialects, against their full texts.
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bills/FeeCancellation.h"

namespace fo::feecancel {
namespace {

using Texts = std::vector<std::string>;

Mirror sampleMirror() {
    return Mirror{"101", "345", "QXSF202610090001", "2", "王'会计", DateTime{2026, 10, 9, 14, 5, 7}};
}

TEST(FeeCancellationStatements, SourceRecordQueryPerDialectByNumberOrById) {
    const std::string head =
        "select a.id ,a.xsid,a.ssje,a.sfyf,a.rq,a.hkje,a.ysk,b.xm,a.sflxid,a.skzhid,a.hkid from kdw_sfjl as a\r\n"
        ",pjml as b where  a.djbh=b.djbh\r\n";
    EXPECT_EQ(sourceRecordQuery(true, "SF'01", ""),
              head + " and isnull(a.ysfjlid,0)=0 and a.id not in(select ysfjlid from kdw_sfjl)\r\nand a.djbh='SF''01'");
    EXPECT_EQ(sourceRecordQuery(false, "SF01", "  "),
              head +
                  " and iif(a.ysfjlid is null,0,a.ysfjlid)=0 and a.id not in(select ysfjlid from kdw_sfjl)\r\n"
                  "and a.djbh='SF01'");
    // An id, when given, chooses the record whatever the number says.
    EXPECT_EQ(sourceRecordQuery(true, "合计", " 101 "),
              head + " and isnull(a.ysfjlid,0)=0 and a.id not in(select ysfjlid from kdw_sfjl)\r\nand a.ID=101");
    EXPECT_THROW(sourceRecordQuery(true, "", "101 or 1=1"), std::invalid_argument);
}

TEST(FeeCancellationStatements, MirrorsNegateEveryAmountAndLinkBackToTheSource) {
    const Mirror m = sampleMirror();
    EXPECT_EQ(journalHeaderMirror(m),
              "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid)\r\n"
              "select 'QXSF202610090001',345,cw_date,0-je\r\n"
              ",2,jzyf,'2026-10-09 14:05:07',jbr,'取消收费',checked ,101 from\r\n"
              "INandOutML where id=101");
    EXPECT_EQ(journalLinesMirror(m),
              "insert into INandOut(num,subid,addje,subje,jd,rootid)\r\n"
              " select 345,subid,0-addje,0-subje,jd,rootid from INandOut where num=101");
    EXPECT_EQ(feeRecordMirror(m),
              "insert into KDW_sfjl(djbh,id, sfrq, sflxid, \r\n"
              "xsid, bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk, InOrOut,\r\n"
              " skzhid, skr, bz,rq,operid,sfyf,ysfjlid)\r\n"
              "select 'QXSF202610090001',345,'2026-10-09 14:05:07',sflxid,\r\n"
              "xsid,bjmc,0-je,0-tzje,0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,InOrOut,\r\n"
              "skzhid,'王''会计',bz,'2026-10-09 14:05:07',2,sfyf,101\r\n"
              " from kdw_sfjl where id=101");
    EXPECT_EQ(itemRowsMirror(m),
              "insert into KDW_sfjlmx(sfjlid, sfxmid, je,ysje,ye,feetermname,cqts,termfrom,termto,ysk)"
              "select 345,sfxmid,0-je,0-ysje,0-ye,feetermname,cqts,termfrom,termto,0-ysk from kdw_sfjlmx where sfjlid=101");
}

TEST(FeeCancellationStatements, PrepaymentBalanceAndTransferStatementsPerDialect) {
    EXPECT_EQ(prepaidSharesQuery(true, "101"),
              " select sfxmid,isnull(sum(ysk),0) as yskJe from kdw_sfjlmx where sfjlid=101 group by sfxmid");
    EXPECT_EQ(prepaidSharesQuery(false, "101"),
              " select sfxmid,iif(sum(ysk) is null,0,sum(ysk)) as yskJe from kdw_sfjlmx where sfjlid=101 group by sfxmid");
    EXPECT_EQ(prepaidShareGiveBack("-2.5", "3", "11"),
              "update  XS_SFXM_YSK set ysk=ysk-(-2.5) where   sfxmid=3 and xsid=11");
    EXPECT_EQ(lastChargeDateClear("11"), "update kdw_xs set bcsfrq=NULL where id=11");

    EXPECT_EQ(balanceRestore(true, "50", "20", "11"),
              (Texts{"update kdw_xs set ysk=ysk+(50) where id=11", "update kdw_xs set ysk=ysk-(20) where\r\n  id=11"}));
    EXPECT_EQ(balanceRestore(false, "50", "20", "11"),
              (Texts{"update kdw_xs set ysk=format(ysk+(50),'0.00') where id=11",
                     "update kdw_xs set ysk=format(ysk-(20),'0.00')\r\n where id=11"}));

    EXPECT_EQ(transferRemoval(true, "101"),
              (Texts{"delete from kdw_sfjlmx  where sfjlid in(select id from kdw_sfjl where isnull(hkid,0)<>0 and  hkid=101)",
                     "delete from kdw_sfjl where isnull(hkid,0)<>0 and  hkid=101"}));
    EXPECT_EQ(transferRemoval(false, "101"),
              (Texts{"delete from kdw_sfjlmx  where sfjlid in(select id from kdw_sfjl where iif(isnull(hkid),0,hkid)<>0 "
                     "and  hkid=101)",
                     "delete from kdw_sfjl where iif(isnull(hkid),0,hkid)<>0 and  hkid=101"}));
}

TEST(FeeCancellationStatements, ArrearsReopening) {
    EXPECT_EQ(arrearsReopening("101"),
              (Texts{"delete from qfmxb where qfkid in(select qfkid from qfhzb where yqfkid in(select qfkid from qfhzb "
                     "where sfjlid<>0 and  sfjlid=101))",
                     "delete from qfhzb where yqfkid in(select qfkid from qfhzb where  sfjlid<>0 and sfjlid=101)",
                     "update qfmxb set fkje=0 where qfkid  in(select qfkid from qfhzb where  sfjlid<>0 and sfjlid=101)",
                     "update qfhzb set fkje=0,fkrq=null,sfjlid=0 where sfjlid<>0 and  sfjlid=101"}));
}

TEST(FeeCancellationStatements, VoidUpdateByNumberOrByIdWithQuotesDoubled) {
    EXPECT_EQ(voidUpdate("getdate()", "O'Neil", "2", "家长'要求'", "SF'01", "7"),
              "update pjml set zfrq=getdate(),zfr='O''Neil',useridZfr=2\r\n"
              ",zfyy='家长''要求''',pjState='作废'\r\nWhere djbh = 'SF''01'");
    EXPECT_EQ(voidUpdate("'2026-10-09 14:05:07'", "张", "2", "", "", "7"),
              "update pjml set zfrq='2026-10-09 14:05:07',zfr='张',useridZfr=2\r\n"
              ",zfyy='',pjState='作废'\r\nWhere id = 7");
    EXPECT_THROW(voidUpdate("getdate()", "张", "", "", "SF01", "7"), std::invalid_argument);
    EXPECT_THROW(voidUpdate("getdate()", "张", "2", "", "", "7 or 1=1"), std::invalid_argument);
}

}  // namespace
}  // namespace fo::feecancel
