#pragma once
#include "FeeOfficeApi.h"
#include <string>
#include <utility>

#include "ui/controls/ComboBox.h"

namespace fo {

// The fee periods: fee months (ajzrq), terms (termdate) and school years
// (kdw_year), each keyed by a short tag with a first and a last day. It fills
// the caller's period combo box with the tags of one kind and resolves one
// tag to its dates. Each operation opens a database session of its own for
// its one query; database errors reach the caller.
//
// Every text property X is read with `X()` and written with `set_X(value)`.
// The dates are the stored values in their default text form ("yyyy-mm-dd");
// an empty date means the period is not set up.
class FEEOFFICE_API clsYF {
public:
    const std::string& strYfTag() const { return strYfTag_; }  // the month key resolved (ajzrq.yf)
    void set_strYfTag(std::string value) { strYfTag_ = std::move(value); }  // sets the month key
    const std::string& strTermTag() const { return strTermTag_; }  // the term tag resolved (termdate.termTag)
    void set_strTermTag(std::string value) { strTermTag_ = std::move(value); }  // sets the term tag
    const std::string& strYearTag() const { return strYearTag_; }  // the school-year tag resolved (kdw_year)
    void set_strYearTag(std::string value) { strYearTag_ = std::move(value); }  // sets the school-year tag
    const std::string& strYfFromDate() const { return strYfFromDate_; }  // the month's first day
    void set_strYfFromDate(std::string value) { strYfFromDate_ = std::move(value); }  // sets the month's first day
    const std::string& strYfTodate() const { return strYfTodate_; }  // the month's last day
    void set_strYfTodate(std::string value) { strYfTodate_ = std::move(value); }  // sets the month's last day
    const std::string& strTermFromDate() const { return strTermFromDate_; }  // the term's first day
    void set_strTermFromDate(std::string value) { strTermFromDate_ = std::move(value); }  // sets the term's first day
    const std::string& strTermToDate() const { return strTermToDate_; }  // the term's last day
    void set_strTermToDate(std::string value) { strTermToDate_ = std::move(value); }  // sets the term's last day
    const std::string& strYearFromDate() const { return strYearFromDate_; }  // the school year's first day
    void set_strYearFromDate(std::string value) { strYearFromDate_ = std::move(value); }  // sets the school year's first day
    const std::string& strYearToDate() const { return strYearToDate_; }  // the school year's last day
    void set_strYearToDate(std::string value) { strYearToDate_ = std::move(value); }  // sets the school year's last day

    // The caller's combo box the list operations fill; not owned.
    ComboBox* comboYfList() const { return comboYfList_; }
    void set_comboYfList(ComboBox* value) { comboYfList_ = value; }

    // Resolve one tag. Each first empties all nine text fields, so afterwards
    // only the fields of that kind can be filled. A month whose date segment
    // is not set up is reported unless blnMymsg is false; an unknown month is
    // silent. A term or year without a first day is reported whatever
    // blnMymsg says; an unknown one only when blnMymsg is true.
    void initdateYF(const std::string& findYf, bool blnMymsg = true);
    void initDateTerm(const std::string& findTermTag, bool blnMymsg = true);
    void initDateYear(const std::string& findYearTag, bool blnMymsg = true);

    // Refill comboYfList with every tag of one kind, in tag order, periods
    // without dates included. Throws std::logic_error when no combo box is set.
    // Months show as the office names them ("2026年12月", their jfmc) with
    // the month key as the entry's item data; terms and years show their tag.
    void initCombYfList();
    void initCombTermList();
    void initCombYearList();

    // The tag of the period chosen in comboYfList: the month key of a month
    // entry, the shown tag of a term or year ("" when none is chosen). The
    // shown text of a month is no key: read the tag through this.
    std::string chosenTag() const;

private:
    void clsDate();
    // Resolution shared by terms and years.
    struct Resolved {
        bool found = false;
        std::string fromDate, toDate;
    };
    static Resolved resolve(const std::string& sql, const char* fromField, const char* toField);
    void fillList(const std::string& sql, const char* tagField, const char* captionField = nullptr);

    std::string strYfTag_, strTermTag_, strYearTag_;
    std::string strYfFromDate_, strYfTodate_;
    std::string strTermFromDate_, strTermToDate_;
    std::string strYearFromDate_, strYearToDate_;
    ComboBox* comboYfList_ = nullptr;
    bool listsMonths_ = false;  // the entries are months, keyed by their item data
};

}  // namespace fo
