#pragma once
#include <string>

#include "batch/clsJMmx.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "db/sql/SqlText.h"

// What the batch poster writes differently from the single-student window:
// its reduction record, and the item texts taken from its clsJMmx items. The
// settlement statements are the window's (reduction/JmjlStatements.h).
// Composition only: nothing here runs a statement or asks the host.
namespace fo::batch {

// What the batch's reduction record is made of, in the order the insert
// names it.
struct ReductionRecord {
    std::string id;       // new fee-record id
    std::string sfrq;     // reduction date as the caller's text
    std::string sflxid;   // fee type id
    std::string xsid;     // student id
    std::string bjmc;     // class name, as stored
    Currency jmje;        // total reduction, positive
    std::string jmyy;     // reason, as typed
    DateTime rq;          // moment of posting
    std::string operid;   // operator id
    std::string sfyf;     // fee month of the record
    std::string skr;      // operator name
    std::string djbh;     // "JM" document number
};

// The KDW_sfjl insert of a reduction, broken over lines with CR LF. Class
// name and reason are quoted here, once, so what is stored is what was
// typed; sflxid and xsid are refused (DbError) when they are not numbers.
SqlText recordInsert(const ReductionRecord& v);
// The KDW_sfjlmx row of one item: jmje with two decimals, ysje plain, ye 0.
SqlText itemInsert(const std::string& recordId, const clsJMmx& item);
// The warning shown when an item's reduction exceeds its receivable.
std::string overReductionWarning(const clsJMmx& item);
// One entry of the settlement list: month ":" item id "|" amount.
std::string settlementEntry(const clsJMmx& item);

}  // namespace fo::batch
