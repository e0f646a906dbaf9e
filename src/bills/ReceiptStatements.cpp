#include "bills/ReceiptStatements.h"

#include <stdexcept>

#include "bills/SqlNumber.h"
#include "bills/cLsBILLhead.h"
#include "data/Dialect.h"
#include "db/values/DateTime.h"

namespace fo::receipt {
namespace {

const char* const CRLF = "\r\n";

std::string quoted(const std::string& text) { return sqlQuote(text); }

// A number to write unquoted; `name` names it in the error.
std::string number(const Value& value, const std::string& name, bool emptyIsZero) {
    if (auto literal = valueNumberLiteral(value, emptyIsZero)) return *literal;
    if (value.isNull() || value.toText().find_first_not_of(" \t") == std::string::npos)
        throw std::invalid_argument(name + " 为空");
    throw std::invalid_argument(name + " 的值不是数字：" + value.toText());
}

}  // namespace

std::string issueDateExpression(int dialectCode) {
    return storedNow(dialectCode == 1, DateTime::now());
}

std::string headerInsert(const cLsBILLhead& head, const std::string& issueDate) {
    const std::string id = number(head.ID(), "ID", false);
    const std::string xsid = number(head.xsId(), "xsId", false);
    const std::string hjje = number(head.hjje(), "hjje", false);

    std::string sql;
    sql += std::string("insert into PjML(") + CRLF + "id ,djbh,pjState," + CRLF +
           "bjmc ,xsid ,xh ,xm," + CRLF + "kprq ,bz ,hjje," + CRLF + "jeDx ,kpr ,skr ," + CRLF +
           "zfrq , zfr)";
    sql += "values(" + id + ",'" + quoted(head.djbh()) + "','" + quoted(head.state()) + "','" +
           quoted(head.bjmc()) + "'," + xsid + ",'" + quoted(head.xh()) + "'" + CRLF;
    sql += ",'" + quoted(head.xm()) + "'," + issueDate + ",'" + quoted(head.beizhu()) + "'," + hjje +
           ",'" + quoted(head.jeDx()) + "','" + quoted(head.kpr()) + "'" + CRLF;
    sql += ",'" + quoted(head.skr()) + "',null,'" + quoted(head.zfr()) + "')";
    return sql;
}

std::string itemInsert(const std::string& receiptId, const Recordset& rec) {
    const std::string id = number(receiptId, "ID", false);
    // An item without an amount is no item of a receipt: storing it as 0
    // would make the receipt disagree with its charge.
    const std::string je = number(rec.field("je"), "收据项目[" + rec.field("xmmc").toText() + "]的金额", false);
    const std::string cqts = number(rec.field("cqts"), "cqts", true);
    return "insert into PjMLmx(PjMLid,xmmc,term,je,cqts,bz)values(" + id + ",'" +
           quoted(rec.field("xmmc").toText()) + "','" + quoted(rec.field("term").toText()) + "'," + je +
           "," + cqts + ",'" + quoted(rec.field("bz").toText()) + "')";
}

}  // namespace fo::receipt
