// Each student's arrears over the books' whole history: what was carried
// over, less what reductions and payments closed, is what is open now. A
// student off by a cent has a row whose amounts do not follow from the others.
#include "data/checks/BooksCheckParts.h"
#include "data/ledger/ArrearsLedger.h"

namespace fo::bookscheck {

void checkLedger(Connection& cn, Faults& faults) {
    for (const ledger::Movement& m : ledger::wholeHistory(cn)) {
        if (m.balances()) continue;
        const Currency raised = m.start + m.raised, settled = m.reduced + m.paid;
        faults.add("arrears-ledger", "学生 id " + std::to_string(m.xsid) + " 的欠费对不上账：共欠 " +
                                         raised.format00() + "，减免和付款结清 " + settled.format00() +
                                         "，应余 " + m.expectedEnd().format00() + "，而未结清的欠费为 " +
                                         m.end.format00() + "。");
    }
}

}  // namespace fo::bookscheck
