// A host application of its own around the fee-office module, written
// against the installed package alone: its own host system object,
// database-information object, settings and fee periods over one fee
// database, which it reaches through a database engine of its own. It
// stores a receipt (insertPjML), voids it (PJZF), posts a reduction through
// the batch poster (clsJMhead.toJm) and opens the reduction window
// (ShowJMJL) headlessly, printing what each step did.
//
//   feeoffice-example-host FILE      FILE: a new fee database (SQLite)
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "batch/clsJMhead.h"
#include "bills/cLsBILLhead.h"
#include "data/FeeDatabase.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "db/EngineRegistry.h"
#include "host/api/ModuleGlobals.h"
#include "module/ModuleEntries.h"
#include "ui/FormRegistry.h"
#include "ui/headless/HeadlessUi.h"

namespace {

// The host's engine: the module's SQLite session under another provider
// name, counting every statement it runs. A host that reaches its database
// through ODBC or a pool of its own plugs that in the same way.
class CountingEngine : public fo::Engine {
public:
    CountingEngine(std::unique_ptr<fo::Engine> inner, long& count) : inner_(std::move(inner)), count_(count) {}
    fo::RecordsetPtr execute(const std::string& sql, long* affected) override {
        ++count_;
        return inner_->execute(sql, affected);
    }
    std::unique_ptr<fo::EngineStatement> prepare(const std::string& sql) override { return inner_->prepare(sql); }
    void begin() override { inner_->begin(); }
    void commit() override { inner_->commit(); }
    void rollback() override { inner_->rollback(); }
    void setTimeoutSeconds(int seconds) override { inner_->setTimeoutSeconds(seconds); }
    fo::EngineStamp readStamp() override { return inner_->readStamp(); }
    void writeStamp(std::int32_t id, int version) override { inner_->writeStamp(id, version); }

private:
    std::unique_ptr<fo::Engine> inner_;
    long& count_;
};

long statementsRun = 0;

// The school calendar: months of the school year from September; a term
// runs September to January ("2026上") or February to August ("2026下").
class ExamplePeriods : public fo::PeriodObject {
public:
    std::string getYfFromDate(const std::string& date) override { return date.substr(0, 4) + date.substr(5, 2); }
    void setDdateFromYF(const std::string& yf) override { yf_ = yf; }
    std::string monthQf() const override { return yf_; }
    std::string monthQFdateF() const override { return year() + "-" + month() + "-01"; }
    std::string monthQFdateT() const override { return year() + "-" + month() + "-" + lastDay(); }
    std::string termTag() const override { return std::to_string(schoolYear()) + (inFirstTerm() ? "上" : "下"); }
    std::string termQFdateF() const override {
        return inFirstTerm() ? std::to_string(schoolYear()) + "-09-01" : std::to_string(schoolYear() + 1) + "-02-01";
    }
    std::string termQFdateT() const override {
        return std::to_string(schoolYear() + 1) + (inFirstTerm() ? "-01-31" : "-08-31");
    }
    std::string yearTag() const override { return std::to_string(schoolYear()) + "年"; }

private:
    std::string year() const { return yf_.substr(0, 4); }
    std::string month() const { return yf_.substr(4, 2); }
    int monthNumber() const { return std::stoi(month()); }
    int schoolYear() const { return std::stoi(year()) - (monthNumber() < 9 ? 1 : 0); }
    bool inFirstTerm() const { return monthNumber() >= 9 || monthNumber() == 1; }
    std::string lastDay() const {
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const int y = std::stoi(year()), m = monthNumber();
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return std::to_string(m == 2 && leap ? 29 : days[m - 1]);
    }
    std::string yf_ = "202612";
};

// Counters: ids above every id the books hold, numbers prefix + day + sequence.
class ExampleCounters {
public:
    explicit ExampleCounters(std::string link) : link_(std::move(link)) {}
    std::string nextId(const std::string& counter) {
        long& last = ids_[counter];
        if (last == 0) {
            const std::string sql = counter == "qfhzb" ? "select max(qfkid) from qfhzb"
                                                       : "select max(id) from (select id from kdw_sfjl union all "
                                                         "select id from INandOutML) as ids";
            fo::RecordsetPtr rs = fo::openConnection(link_)->execute(sql);
            last = rs->field(std::size_t{0}).isNull() ? 0 : std::stol(rs->field(std::size_t{0}).toText());
        }
        return std::to_string(++last);
    }
    std::string nextNumber(const std::string& prefix) {
        char sequence[8];
        std::snprintf(sequence, sizeof sequence, "%04d", ++numbers_[prefix]);
        return prefix + "20261208" + sequence;
    }

private:
    std::string link_;
    std::map<std::string, long> ids_;
    std::map<std::string, int> numbers_;
};

// The host system object: one clerk (id 1) who may do everything and sees
// every student, in the SQL Server dialect.
class ExampleHost : public fo::HostSystem {
public:
    explicit ExampleHost(std::string link) : link_(std::move(link)), counters_(link_) {}
    ExampleCounters& counters() { return counters_; }

    std::string gLinkString() override { return link_; }
    fo::Value SQL_access() override { return fo::Value(1); }
    fo::ConnectionPtr pGetCN() override { return fo::openConnection(link_); }
    fo::ConnectionPtr pgettrcn() override { return fo::openConnection(link_); }
    std::string gUserid() override { return "1"; }
    std::string gusername() override { return "示例会计"; }
    std::string userXSLBLIST() override { return ""; }
    std::string userXSLBListInSQL() override { return "select id from kdw_xs"; }
    std::string getXSLBlistInSQL(const std::string&) override { return ""; }
    int GetQx(const std::string&, const fo::Value&, bool) override { return 3; }
    std::string CurrentYf() override { return "202612"; }
    std::string currentYfFromDate() override { return "2026-12-01"; }
    int jflxMonth() override { return 1; }
    int jflxTerm() override { return 2; }
    int jflxYear() override { return 3; }
    int jflxOne() override { return 4; }
    std::shared_ptr<fo::PeriodObject> pFindJzDate() override { return periods_; }
    bool IfYfDate(const std::string&, bool) override { return false; }
    std::string pGetMaxId(const std::string& counter) override { return counters_.nextId(counter); }
    std::string pGetBillNum(const std::string& prefix) override { return counters_.nextNumber(prefix); }
    std::string ptrim(const std::string& text) override {
        std::string out;
        for (char c : text) {
            if (c == '\'') out += '\'';
            out += c;
        }
        return out;
    }
    std::string getTmpTableName(const std::string& prefix) override {
        return "tmp" + prefix + "_" + std::to_string(++workTables_);
    }
    // This office owes only what its stored arrears hold.
    void getQFmxbNew(std::string& tableName, const fo::ConnectionPtr& cn, const std::string&, const std::string&,
                     const std::string&, const std::string&, const std::string&) override {
        tableName = getTmpTableName("QF");
        cn->execute("create table " + tableName + " as select h.xsid,h.qfyf as sfyf,m.sfxmid,m.qfje as ysje,"
                    "m.fkje as jfje,m.jmje as jmje from qfhzb h join qfmxb m on m.qfkid=h.qfkid where h.fkrq is null");
    }
    fo::RecordsetPtr getRptJFdata(const fo::ConnectionPtr& cn, const std::string& xsid, const std::string& sfxmid,
                                  const std::string& period, const std::string&, const std::string&) override {
        return cn->execute("select sum(m.je) as je,sum(m.jmje) as jmje,0 as ye from kdw_sfjl r join kdw_sfjlmx m "
                           "on m.sfjlid=r.id where r.xsid=" + xsid + " and m.sfxmid=" + sfxmid +
                           " and m.feetermname='" + ptrim(period) + "'");
    }
    void LvwGetColumnWidth(fo::ColumnWidthTarget&, const std::string&, const std::string&) override {}
    void LvwSaveColumnWidth(fo::ColumnWidthTarget&, const std::string&, const std::string&) override {}
    std::vector<fo::BillType> billTypeName(int) override { return {{1, "收据"}}; }

private:
    std::string link_;
    ExampleCounters counters_;
    std::shared_ptr<ExamplePeriods> periods_ = std::make_shared<ExamplePeriods>();
    int workTables_ = 0;
};

// The database-information object, agreeing with the host on everything.
class ExampleDbInfo : public fo::DbInfo {
public:
    explicit ExampleDbInfo(std::shared_ptr<ExampleHost> host) : host_(std::move(host)) {}
    fo::Value SqlKind() override { return host_->SQL_access(); }
    std::string UserName() override { return host_->gusername(); }
    std::string LinkString() override { return host_->gLinkString(); }
    std::string UserId() override { return host_->gUserid(); }
    fo::ConnectionPtr Connection() override { return host_->pGetCN(); }
    fo::ConnectionPtr TransConnection() override { return host_->pgettrcn(); }
    std::string NextId(const std::string& table, int) override { return host_->counters().nextId(table); }
    std::string NextBillNo(const std::string& prefix) override { return host_->counters().nextNumber(prefix); }

private:
    std::shared_ptr<ExampleHost> host_;
};

// Layout values kept for the run only.
class MemorySettingsStore : public fo::SettingsStore {
public:
    std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& deflt) override {
        const auto it = values_.find(app + "/" + section + "/" + key);
        return it == values_.end() ? deflt : it->second;
    }
    void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) override {
        values_[app + "/" + section + "/" + key] = value;
    }

private:
    std::map<std::string, std::string> values_;
};

// The office: one student owing 800 of 保育费 for carried-over September,
// and a charge of 300 for December taken today, whose receipt we issue.
void openTheOffice(fo::Connection& cn) {
    for (const char* sql : {
             "insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年9月'),"
             "('202612','2026-12-01','2026-12-31','2026年12月')",
             "insert into hisxsinfo(xsid,jzyf) values(0,'202609')",
             "insert into kdw_sfxm(id,mc,jflx) values(1,'保育费',1)",
             "insert into kdw_xs(id,xh,xm,sflxid) values(1,'2026001','张小明',1)",
             "insert into qfhzb(qfkid,qfyf,xsid,qfje) values(1,'202609',1,800)",
             "insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(1,1,1,800)",
             "insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,InOrOut,skzhid,"
             "skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid) values(10,'SF202612080001','2026-12-08 09:30:00',1,1,"
             "'中班一班',300,0,0,0,0,300,0,1,1,'示例会计','十二月费用','2026-12-08 09:30:00',1,'202612',0,0,0)",
             "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,ysk,feetermname,cqts) values"
             "(10,1,300,300,0,0,'2026-12-01至2026-12-31',0)",
             "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) values"
             "('SF202612080001',10,'2026-12-08',300,1,'202612','2026-12-08 09:30:00','示例会计','收费',0,0)",
             "insert into INandOut(num,subid,addje,subje,jd,rootid) values(10,1,300,0,1,1)"})
        cn.execute(sql);
}

std::string one(fo::Connection& cn, const std::string& sql) {
    fo::RecordsetPtr rs = cn.execute(sql);
    return rs->eof() ? std::string() : rs->field(std::size_t{0}).toText();
}

// Stores the receipt of charge 10 with its one item, in a transaction of ours.
void storeReceipt(fo::cLsBILLhead& bill, fo::Connection& cn) {
    fo::Recordset items;
    for (const char* name : {"xmmc", "term", "je", "cqts", "bz"}) items.appendField(name);
    items.open();
    items.addNew();
    items.field("xmmc") = fo::Value("保育费");
    items.field("term") = fo::Value("2026年12月");
    items.field("je") = fo::Value(fo::Currency::fromInt(300));
    items.field("cqts") = fo::Value(0);
    items.field("bz") = fo::Value("");
    bill.set_ID("1");
    bill.set_djbh("SF202612080001");
    bill.set_xsId("1");
    bill.set_xh("2026001");
    bill.set_xm("张小明");
    bill.set_bjmc("中班一班");
    bill.set_hjje("300");
    bill.set_jeDx("叁佰元整");
    bill.set_kpr("示例会计");
    bill.set_skr("示例会计");
    fo::Transaction tx(cn);
    if (!bill.insertPjML(cn, items, bill)) throw std::runtime_error("the receipt was not stored");
    tx.commit();
    std::cout << "receipt stored: " << one(cn, "select djbh from PJML where id=1") << " 合计 "
              << one(cn, "select hjje from PJML where id=1") << "\n";
}

void voidReceipt(fo::cLsBILLhead& bill, fo::Connection& cn) {
    bill.set_zfr("示例会计");
    bill.set_zfyy("开错收据");
    bill.set_pUseridZfr("1");
    fo::Transaction tx(cn);
    if (!bill.PJZF(cn)) throw std::runtime_error("the receipt was not voided");
    tx.commit();
    std::cout << "receipt voided: " << one(cn, "select pjState from PJML where id=1") << ", mirror "
              << one(cn, "select djbh from kdw_sfjl where ysfjlid=10") << "\n";
}

void postReduction(const std::shared_ptr<ExampleHost>& host) {
    fo::clsJMmx item;
    item.set_strQFYF("202609");
    item.set_strXmid("1");
    item.set_strXmmc("保育费");
    item.set_sngJMje(fo::Currency::fromInt(100));
    item.set_sngYsje(fo::Currency::fromInt(800));
    item.set_str_FeeTermName("202609");
    fo::clsJMhead head;
    head.set_myGrun(host);
    head.set_str_Jmrq("2026-09-01");
    head.set_str_Sflxid("1");
    head.set_str_JMYY("困难补助");
    head.set_c_Jmhj(fo::Currency::fromInt(100));
    head.set_colMX({item});
    fo::ConnectionPtr trCn = host->pgettrcn();
    fo::Transaction tx(*trCn);
    head.drawInBlocks(1);
    head.set_STR_xsid("1");
    head.set_str_bjmc("中班一班");
    head.toJm(*trCn);
    tx.commit();
    std::cout << "batch posted: " << one(*trCn, "select djbh from kdw_sfjl where djbh like 'JM%'") << " 减免 "
              << one(*trCn, "select jmje from qfhzb where qfkid=1") << ", still owed "
              << one(*trCn, "select qfje from qfhzb where fkrq is null and xsid=1") << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: feeoffice-example-host FILE\n";
        return 2;
    }
    try {
        std::cout << "module " << fo::moduleVersion() << "\n";
        fo::registerEngine("ExampleCounting", [](const fo::ConnectionStringParts& parts, int timeout, fo::OpenMode mode) {
            return std::make_unique<CountingEngine>(
                fo::openEngine(fo::sqliteConnectionString(parts.dataSource), timeout, mode), statementsRun);
        });
        const std::string link = "Provider=ExampleCounting;Data Source=" + std::string(argv[1]);
        fo::ConnectionPtr cn = fo::createFeeDatabase(link);
        openTheOffice(*cn);

        // Start-up, in the module's order: the host system object first.
        auto host = std::make_shared<ExampleHost>(link);
        fo::globals().newDbInfo = [host] { return std::make_unique<ExampleDbInfo>(host); };
        fo::globals().settingsStore = std::make_shared<MemorySettingsStore>();
        auto settings = std::make_shared<fo::SettingsCollection>();
        settings->set("chkAutoInputTerm", fo::Value("1"));
        fo::cLsBILLhead bill;
        bill.set_gRun(host);
        bill.set_SetgColSysCS(settings);
        bill.set_objYfAndTerm(host->pFindJzDate());
        bill.set_pSql(1);

        // Windows headless: every message is printed, every modal window is
        // closed as soon as it has opened.
        fo::HeadlessUi ui;
        ui.install();
        ui.events.message = [](const fo::MessageRecord& m) { std::cout << "message: " << m.title << " " << m.text << "\n"; };
        ui.setModalRunner([](fo::Form& form) {
            std::cout << "window opened: " << form.name() << " “" << form.caption() << "”\n";
            form.unload();
        });
        fo::registerModuleEntries(fo::formRegistry(), bill);

        storeReceipt(bill, *cn);
        voidReceipt(bill, *cn);
        postReduction(host);
        if (!fo::runEntry("ShowJMJL")) throw std::runtime_error("no entry ShowJMJL");
        std::cout << "statements through the host's engine: " << (statementsRun > 0 ? "yes" : "none") << "\n";
        fo::setUiServices(nullptr);
        return 0;
    } catch (const fo::DbError& e) {
        std::cerr << "database: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "failed: " << e.what() << "\n";
    }
    return 1;
}
