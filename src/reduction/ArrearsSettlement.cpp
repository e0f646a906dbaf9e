#include "reduction/ArrearsSettlement.h"

#include "db/DateTime.h"

namespace fo::jmjl {

void settleOpenArrears(Recordset& open, const SettlementList& list, const std::string& xsId,
                       const std::string& recordId, Connection& varCn, HostSystem& run) {
    for (; !open.eof(); open.moveNext()) {
        const std::string qfkid = open.field("qfkid").toText();
        const std::string qfyf = open.field("qfyf").toText();
        const std::string rowXsid = open.field("xsid").toText();
        // Every entry goes to every row; an item the row lacks updates nothing.
        for (const auto& item : list.items) varCn.execute(itemReductionUpdate(item, qfkid, xsId));

        // The sums see the updates above only on the transaction's connection.
        const bool sqlServer = isSqlServer(run.SQL_access());
        RecordsetPtr sums = varCn.execute(cappedSumQuery(sqlServer, qfkid, xsId));
        const Currency capped = sums && !sums->eof() ? sums->field(std::size_t{0}).toCurrency() : Currency();
        const Currency owed = sums && !sums->eof() ? sums->field(std::size_t{1}).toCurrency() : Currency();
        varCn.execute(closeArrearsRow(sqlServer, capped, recordId, DateTime::now(), qfkid, xsId));
        if (capped < owed) {
            const std::string successor = run.pGetMaxId("qfhzb");
            varCn.execute(remainderInsert(sqlServer, successor, qfyf, rowXsid, owed - capped, qfkid, run.gUserid(),
                                          DateTime::now()));
            varCn.execute(remainderItemsCopy(successor, qfkid, rowXsid));
        }
    }
}

}  // namespace fo::jmjl
