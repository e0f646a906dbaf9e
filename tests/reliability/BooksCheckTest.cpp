// The books check on every engine: the demo school checks clean, with the
// host's counters drawn, and each kind of damage made by hand to its rows, one
// row per invariant, is reported by its code, naming the rows.

#include <algorithm>

#include "db/pg/PgLink.h"
#include "reliability/ReliabilityFixture.h"

namespace fo::test {
namespace {

class BooksCheckTest : public DemoBooksTest {
protected:
    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }
    // Whether a fault of `code` was reported whose text names `row`.
    static bool reported(const std::vector<BooksFault>& faults, const std::string& code, const std::string& row) {
        for (const BooksFault& f : faults)
            if (f.code == code && f.text.find(row) != std::string::npos) return true;
        return false;
    }
    // Each pair of a code and a text its fault names was reported.
    static void expectReported(const std::vector<BooksFault>& faults,
                               const std::vector<std::pair<std::string, std::string>>& expected) {
        for (const auto& [code, row] : expected)
            EXPECT_TRUE(reported(faults, code, row)) << code << " " << row << "\n" << describe(faults);
    }
};

// The demo school checks clean with its counters drawn; then each damage is
// the check's only cause to speak.
TEST_P(BooksCheckTest, EachDamageMadeByHandIsReportedByItsRows) {
    host->pGetMaxId("INandOutML");
    host->pGetBillNum("JM");
    const long drawn = std::stol(host->pGetMaxId("qfhzb"));
    ASSERT_GE(host->counters()->readings().size(), 3u);
    const auto clean = checkBooksAt(locator);
    ASSERT_TRUE(clean.empty()) << describe(clean);

    // A reduction's mirror one yuan short.
    const std::string mirror = text("select min(djbh) from kdw_sfjl where djbh like 'QXJM%'");
    cn->execute("update kdw_sfjl set jmje=jmje+1 where djbh='" + mirror + "'");
    // A live reduction whose items add up to more than the record.
    const std::string reduction =
        text("select min(a.djbh) from kdw_sfjl a where a.djbh like 'JM%' and a.id not in(select ysfjlid from kdw_sfjl)");
    cn->execute("update kdw_sfjlmx set jmje=jmje+5 where sfjlid=(select id from kdw_sfjl where djbh='" + reduction +
                "') and sfxmid=(select min(sfxmid) from kdw_sfjlmx where sfjlid=(select id from kdw_sfjl where djbh='" +
                reduction + "'))");
    // A remainder whose row was reopened under it.
    const std::string remainder = text("select min(r.qfkid) from qfhzb r inner join qfhzb p on p.qfkid=r.yqfkid");
    cn->execute("update qfhzb set fkrq=null,sfjlid=0,fkje=0 where qfkid=(select yqfkid from qfhzb where qfkid=" +
                remainder + ")");
    // A row still closed by a reduction that was cancelled.
    const std::string closed = text("select min(q.qfkid) from qfhzb q where q.jmjlid<>0");
    const std::string closer = text("select jmjlid from qfhzb where qfkid=" + closed);
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,ysfjlid) select 900001,'QXJM209901010001',xsid,0-jmje,id"
                " from kdw_sfjl where id=" + closer);
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) select 900001,sfxmid,0-jmje from kdw_sfjlmx where sfjlid=" +
                closer);
    // Arrears written past the counters.
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(" + std::to_string(drawn + 10) + ",'202612',7,10)");
    cn->execute("insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(" + std::to_string(drawn + 10) + ",7,1,10)");
    // A voided receipt whose charge still stands.
    const std::string bill = text("select min(p.djbh) from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                                  " a.id not in(select ysfjlid from kdw_sfjl) and coalesce(p.pjState,'')=''");
    cn->execute("update PJML set pjState='作废' where djbh='" + bill + "'");

    const auto faults = checkBooksAt(locator);
    expectReported(faults, {
        {"mirror-amount", mirror}, {"record-items", reduction}, {"remainder-orphan", "余欠行 欠费 " + remainder},
        {"arrears-cancelled-closer", "欠费 " + closed}, {"counter-behind", "qfhzb"}, {"void-live", bill}
    });
    for (const BooksFault& f : faults) EXPECT_FALSE(looksEnglish(f.text)) << f.text;
}

TEST_P(BooksCheckTest, PartialPostingsAreFound) {
    // A reduction that closed its row and left the rest unowed; a mirror
    // written twice; items whose record is gone; a remainder owing too much.
    const std::string partly = text("select min(p.qfkid) from qfhzb p inner join qfhzb r on r.yqfkid=p.qfkid");
    const std::string rest = text("select qfkid from qfhzb where yqfkid=" + partly);
    cn->execute("update qfhzb set qfje=qfje+1 where qfkid=" + rest);
    const std::string twice = text("select min(ysfjlid) from kdw_sfjl where djbh like 'QXJM%'");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,jmje,ysfjlid) select 900002,'QXJM209901010002',xsid,jmje,ysfjlid"
                " from kdw_sfjl where ysfjlid=" + twice);
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) values(900003,1,10)");
    const std::string whole = text("select min(q.qfkid) from qfhzb q where q.jmjlid<>0 and q.qfkid not in"
                                   "(select yqfkid from qfhzb)");
    cn->execute("update qfhzb set jmje=jmje-1 where qfkid=" + whole);
    // Parts of a cent: a header half a cent above its items, named as it
    // is; a remainder of nothing under a row its reduction covered whole.
    const std::string halfCent = text("select min(q.qfkid) from qfhzb q where q.sfjlid<>0 and q.qfkid not in"
                                      "(select yqfkid from qfhzb)");
    cn->execute("update qfhzb set qfje=qfje+0.005 where qfkid=" + halfCent);
    const std::string covered = text("select min(q.qfkid) from qfhzb q where q.jmjlid<>0 and q.qfkid<>" + whole +
                                     " and q.qfkid not in(select yqfkid from qfhzb)");
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje,fkje,jmje,yqfkid) select 990002,qfyf,xsid,0,0,0,qfkid from"
                " qfhzb where qfkid=" + covered);

    // A header a binary residue away from its items (the engine of files
    // keeps amounts as binary fractions; the server's are exact decimals).
    const bool binary = !isPostgresLink(cn->connectionString());
    const std::string residue = text("select min(q.qfkid) from qfhzb q where q.fkrq is null and q.qfje>0 and q.qfkid"
                                     " not in(select yqfkid from qfhzb) and q.qfkid<>" + halfCent);
    cn->execute("update qfhzb set qfje=qfje-0.0000000000045 where qfkid=" + residue);

    const auto faults = checkBooksAt(locator);
    if (binary) {
        EXPECT_TRUE(reported(faults, "amount-residue", "欠费 " + residue + "（")) << describe(faults);
        EXPECT_FALSE(reported(faults, "arrears-items", "欠费 " + residue + "（")) << "within the tolerance";
    }
    const std::string owed = text("select qfje from qfhzb where qfkid=" + halfCent);
    expectReported(faults, {
        {"remainder-amount", "余欠行 欠费 " + rest}, {"mirror-twice", "QXJM209901010002"}, {"items-orphan", "900003"},
        {"remainder-missing", "欠费 " + whole}, {"arrears-items", "欠费 " + halfCent + "（"},
        {"arrears-items", owed.substr(0, owed.find('.') + 4) + "/"}, {"remainder-covered", "欠费 " + covered + "（"}
    });
}

TEST_P(BooksCheckTest, EveryOtherInvariantBrokenInOneRowIsNamed) {
    // Mirrors: of a record that is gone, of a mirror, with an item row the
    // source does not have.
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysfjlid) values(900010,'QXJM209901010010',7,899999)");
    const std::string chargeMirror = text("select min(id) from kdw_sfjl where djbh like 'QXSF%'");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,ysfjlid) values(900011,'QXSF209901010011',7," + chargeMirror + ")");
    const std::string itemsMirror = text("select min(djbh) from kdw_sfjl where djbh like 'QXJM%'");
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,jmje) select id,1,0 from kdw_sfjl where djbh='" + itemsMirror + "'");
    // The cash journal: a mirror row one yuan off, a mirror's lines one yuan
    // off, a cancelled charge whose mirror has no journal row; a journal id
    // and a document number used twice.
    const auto journal = [&](int n) {
        return text("select id from INandOutML where yjlid<>0 order by id limit 1 offset " + std::to_string(n));
    };
    const std::string offRow = journal(0), offLines = journal(1), missing = journal(2);
    const std::string missingDjbh = text("select djbh from kdw_sfjl where id=" + missing);
    cn->execute("update INandOutML set je=je+1 where id=" + offRow);
    cn->execute("update INandOut set addje=addje+1 where num=" + offLines);
    cn->execute("delete from INandOut where num=" + missing);
    cn->execute("delete from INandOutML where id=" + missing);
    const std::string journalId = text("select min(id) from INandOutML where yjlid=0");
    cn->execute("insert into INandOutML(djbh,id,je) values('SF209901010001'," + journalId + ",0)");
    const std::string number = text("select min(djbh) from kdw_sfjl where djbh like 'JM%'");
    cn->execute("insert into kdw_sfjl(id,djbh,xsid) values(900012,'" + number + "',7)");

    // Arrears rows, each a different one: closed by nothing, by a reduction
    // and a charge at once, by a record that is gone; open but reduced on an
    // item; paid beyond what an item owed; a header off its items.
    const auto rowOf = [&](const std::string& where, int n) {
        return text("select qfkid from qfhzb where " + where + " order by qfkid limit 1 offset " + std::to_string(n));
    };
    const std::string open = "fkrq is null and yqfkid=0", byCharge = "sfjlid<>0 and qfkid not in(select yqfkid from qfhzb)";
    const std::string noCloser = rowOf(open, 0), openReduced = rowOf(open, 1), extended = rowOf(open, 2);
    const std::string twice = rowOf("jmjlid<>0", 0), paidOver = rowOf("jmjlid<>0", 1);
    const std::string gone = rowOf(byCharge, 0), header = rowOf(byCharge, 1);
    cn->execute("update qfhzb set fkrq='2026-12-01' where qfkid=" + noCloser);
    cn->execute("update qfmxb set jmje=1 where qfkid=" + openReduced);
    cn->execute("update qfhzb set sfjlid=" + text("select min(id) from kdw_sfjl where djbh like 'SF%'") +
                " where qfkid=" + twice);
    cn->execute("update qfmxb set fkje=qfje where qfkid=" + paidOver);
    cn->execute("update qfhzb set sfjlid=899997 where qfkid=" + gone);
    cn->execute("update qfhzb set qfje=qfje+3 where qfkid=" + header);
    // A sound row closed by a reduction that never named it: the reduction
    // took off more than it records.
    const std::string reducer = text("select jmjlid from qfhzb where qfkid=" + rowOf("jmjlid<>0", 2));
    cn->execute("update qfmxb set jmje=qfje where qfkid=" + extended);
    cn->execute("update qfhzb set jmje=qfje,fkrq='2026-12-01',jmjlid=" + reducer + " where qfkid=" + extended);
    // Remainders: a second one under the same row; one whose item owes a
    // yuan more than the row left of it (its header too).
    const std::string remainder = rowOf("yqfkid<>0", 0), parent = text("select yqfkid from qfhzb where qfkid=" + remainder);
    cn->execute("insert into qfhzb(qfkid,qfyf,xsid,qfje,yqfkid) select 990001,qfyf,xsid,qfje,yqfkid from qfhzb where"
                " qfkid=" + remainder);
    const std::string richer = rowOf("yqfkid<>0", 1);
    const std::string richerItem = text("select min(sfxmid) from qfmxb where qfkid=" + richer);
    cn->execute("update qfmxb set qfje=qfje+1 where qfkid=" + richer + " and sfxmid=" + richerItem);
    cn->execute("update qfhzb set qfje=qfje+1 where qfkid=" + richer);
    // Prepayments: a balance a yuan off its records; a credit of more than
    // the month's charge paid on the item.
    const std::string offBalance = text("select min(id) from kdw_xs");
    cn->execute("update kdw_xs set ysk=ysk+1 where id=" + offBalance);
    const std::string paid = text("select max(a.id) from kdw_sfjl a where a.djbh like 'SF%' and a.xsid<>" + offBalance);
    const std::string owner = text("select xsid from kdw_sfjl where id=" + paid);
    const std::string item = text("select min(sfxmid) from kdw_sfjlmx where sfjlid=" + paid);
    const std::string over = std::to_string(scalar(*cn, "select sum(je) from kdw_sfjlmx where sfjlid=" + paid +
                                                            " and sfxmid=" + item).toInt() + 1);
    cn->execute("insert into kdw_sfjl(id,djbh,xsid,sfyf,jmje,ysk) values(900013,'JM209901010013'," + owner + ",'" +
                text("select sfyf from kdw_sfjl where id=" + paid) + "'," + over + "," + over + ")");
    cn->execute("insert into kdw_sfjlmx(sfjlid,sfxmid,je,jmje,ysk) values(900013," + item + ",-" + over + "," + over +
                "," + over + ")");
    cn->execute("update kdw_xs set ysk=ysk+" + over + " where id=" + owner);

    const auto faults = checkBooksAt(locator);
    expectReported(faults, {
        {"mirror-source", "QXJM209901010010"}, {"mirror-of-mirror", "QXSF209901010011"},
        {"mirror-items", itemsMirror}, {"journal-mirror", "（id " + offRow + "） 的金额"},
        {"journal-mirror", "冲销行 " + offLines + " 的分录"},
        {"journal-mirror", missingDjbh + "（id " + missing + "） 没有冲销"}, {"duplicate-id", "id " + journalId + " "},
        {"duplicate-number", number}, {"arrears-closer", "欠费 " + noCloser + "（"},
        {"arrears-open-linked", "欠费 " + openReduced + "（"}, {"arrears-settled-twice", "欠费 " + twice + "（"},
        {"arrears-over", "欠费 " + paidOver + "（"}, {"arrears-closer-missing", "欠费 " + gone + "（"},
        {"arrears-items", "欠费 " + header + "（"},
        {"reduction-settled", text("select djbh from kdw_sfjl where id=" + reducer)},
        {"remainder-twice", "欠费 " + parent + "（"}, {"balance", "（id " + offBalance + "）"},
        {"credit-cap", "转入预收款的减免超过已缴"}, {"remainder-items", "余欠行 " + richer + " 的收费项目 " + richerItem}
    });
    // The credit's own balance moved with it: only the yuan off is named.
    EXPECT_EQ(std::count_if(faults.begin(), faults.end(), [](const BooksFault& f) { return f.code == "balance"; }), 1);
    for (const BooksFault& f : faults) EXPECT_FALSE(looksEnglish(f.text)) << f.text;
}

FO_INSTANTIATE_ENGINES(BooksCheckTest);

}  // namespace
}  // namespace fo::test
