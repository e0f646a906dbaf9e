#include "batch/clsYF.h"

#include <stdexcept>

#include "data/Dialect.h"
#include "data/myDB.h"
#include "host/api/MessageService.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {
namespace {

// "学期[" / "年份[" messages carry neither icon nor title of their own.
void reportBadPeriod(const char* kind, const std::string& tag) {
    msgBox(std::string(kind) + "[" + tag + "]设置错误！");
}

}  // namespace

void clsYF::clsDate() {
    for (std::string* field : {&strYfTag_, &strTermTag_, &strYearTag_, &strYfFromDate_, &strYfTodate_,
                               &strTermFromDate_, &strTermToDate_, &strYearFromDate_, &strYearToDate_})
        field->clear();
}

clsYF::Resolved clsYF::resolve(const std::string& sql, const char* fromField, const char* toField) {
    myDB db;
    RecordsetPtr rs = db.cn()->execute(sql);
    Resolved r;
    if (rs && !rs->eof()) {
        r.found = true;
        r.fromDate = rs->field(fromField).toText();
        r.toDate = rs->field(toField).toText();
    }
    return r;
}

void clsYF::initdateYF(const std::string& findYf, bool blnMymsg) {
    clsDate();
    const Resolved month =
        resolve("select fromdate,todate,jfmc from ajzrq  where yf=" + sqlQuoted(findYf), "fromdate", "todate");
    if (!month.found) return;  // an unknown month is the caller's to notice
    if (month.fromDate.empty()) {
        if (blnMymsg)
            msgBox("月份【" + findYf + "】尚未设置记账日期段！请在【基础信息-记账日期设置】菜单中设定好！",
                   MsgButtons::OK, MsgIcon::Information, "警告!");
        return;
    }
    strYfTag_ = findYf;
    strYfFromDate_ = month.fromDate;
    strYfTodate_ = month.toDate;
}

void clsYF::initDateTerm(const std::string& findTermTag, bool blnMymsg) {
    clsDate();
    const Resolved term = resolve(
        "select yearname,termName,yffromDate,yftoDate,termTag from termdate where termTag=" + sqlQuoted(findTermTag),
        "yffromDate", "yftoDate");
    if (!term.found) {
        if (blnMymsg) reportBadPeriod("学期", findTermTag);
        return;
    }
    strTermFromDate_ = term.fromDate;
    strTermToDate_ = term.toDate;
    strTermTag_ = findTermTag;
    if (term.fromDate.empty()) reportBadPeriod("学期", findTermTag);
}

void clsYF::initDateYear(const std::string& findYearTag, bool blnMymsg) {
    clsDate();
    const Resolved year = resolve(
        "select yearMc,dateFrom,dateTo,yearTag from kdw_year where yearTag=" + sqlQuoted(findYearTag), "dateFrom",
        "dateTo");
    if (!year.found) {
        if (blnMymsg) reportBadPeriod("年份", findYearTag);
        return;
    }
    strYearFromDate_ = year.fromDate;
    strYearToDate_ = year.toDate;
    strYearTag_ = findYearTag;
    if (year.fromDate.empty()) reportBadPeriod("年份", findYearTag);
}

void clsYF::fillList(const std::string& sql, const char* tagField, const char* captionField) {
    if (!comboYfList_) throw std::logic_error("clsYF: comboYfList is not set");
    comboYfList_->Clear();
    listsMonths_ = captionField != nullptr;
    myDB db;
    RecordsetPtr rs = db.cn()->execute(sql);
    for (; rs && !rs->eof(); rs->moveNext()) {
        const std::string tag = rs->field(tagField).toText();
        if (!listsMonths_) {
            comboYfList_->AddItem(tag);
            continue;
        }
        // A month key is all digits ("202612"); a month the office left
        // unnamed shows its key.
        const std::string caption = trimSpaces(rs->field(captionField).toText());
        comboYfList_->AddItem(caption.empty() ? tag : caption);
        comboYfList_->setItemData(comboYfList_->NewIndex(), static_cast<long>(Value(leadingNumber(tag)).toInt()));
    }
    if (rs) rs->close();
}

std::string clsYF::chosenTag() const {
    if (!comboYfList_) return {};
    const int i = comboYfList_->ListIndex();
    if (i < 0) return trimSpaces(comboYfList_->text());
    return listsMonths_ ? std::to_string(comboYfList_->ItemData(i)) : comboYfList_->List(i);
}

void clsYF::initCombYfList() { fillList("select yf,fromdate,todate,jfmc from ajzrq  order by yf ", "yf", "jfmc"); }

void clsYF::initCombTermList() {
    fillList("select yearname,termName,yffromDate,yftoDate,termTag from termdate order by  termTag", "termTag");
}

void clsYF::initCombYearList() {
    fillList("select yearMc,dateFrom,dateTo,yearTag from kdw_year  order by yearTag ", "yearTag");
}

}  // namespace fo
