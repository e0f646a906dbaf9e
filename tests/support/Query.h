#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/values/Value.h"

namespace fo::test {

// The texts of one field over every row of `rs`, from its first row on.
inline std::vector<std::string> columnTexts(Recordset& rs, std::string_view field) {
    std::vector<std::string> texts;
    if (rs.eof() && rs.bof()) return texts;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) texts.push_back(rs.field(field).toText());
    return texts;
}

// The first field of the first row of a query; null when it yields no row.
inline Value scalar(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    if (!rs || rs->eof() || rs->fieldCount() == 0) return Value();
    return rs->field(std::size_t{0});
}

// The texts of the first field over every row of a query.
inline std::vector<std::string> firstColumn(Connection& cn, const std::string& sql) {
    std::vector<std::string> texts;
    RecordsetPtr rs = cn.execute(sql);
    if (!rs) return texts;
    for (; !rs->eof(); rs->moveNext()) texts.push_back(rs->field(std::size_t{0}).toText());
    return texts;
}

// Every row of a query, field by field, in the query's order.
inline std::vector<std::vector<std::string>> fieldRows(Connection& cn, const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    for (RecordsetPtr rs = cn.execute(sql); rs && !rs->eof(); rs->moveNext()) {
        std::vector<std::string>& row = out.emplace_back();
        for (std::size_t i = 0; i < rs->fieldCount(); ++i) row.push_back(rs->field(i).toText());
    }
    return out;
}

// Every row of a query, its fields joined by "|", in the query's order.
inline std::vector<std::string> joinedRows(Connection& cn, const std::string& sql) {
    std::vector<std::string> out;
    for (const std::vector<std::string>& row : fieldRows(cn, sql)) {
        std::string& line = out.emplace_back();
        for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i];
    }
    return out;
}

}  // namespace fo::test
