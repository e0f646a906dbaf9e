#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "host/school/StudentRoster.h"

namespace fo {

// The columns of a roster file, named in its first row, in the order the
// students' export writes them. Only 学号, 姓名, 班级 and 收费类型 must be
// there; the categories are named level by level.
const std::vector<std::string>& rosterColumns();

// The students not retired, with the roster's columns, by number: what
// the students' export writes, and so what an import reads back unchanged.
std::string rosterExportQuery();

// One row of the file as the import reads it: the student it gives, and why
// it is refused ("" when it is accepted).
struct ImportRow {
    std::size_t line = 0;  // its row in the file, the header being row 1
    Student student;
    std::string refusal;
};

// What an import will do, worked out from the file and the books without
// writing anything: each row accepted or refused with its reason (a
// number already used, in the books or by an earlier row, an unknown
// class, type or category, a date that is no date, a missing name). A file
// without the columns it needs is refused whole (`refusal`).
struct ImportPlan {
    std::vector<ImportRow> rows;
    std::string refusal;
    std::size_t accepted() const;
};

ImportPlan planStudentImport(Connection& cn, const std::vector<std::vector<std::string>>& table);

// Writes the accepted rows of `shown` on `cn`, inside the caller's
// transaction, after planning again there: when the books changed since
// `shown` was worked out so that a row is no longer what it showed, nothing
// is written (SetupRefusal). Returns how many students were added.
std::size_t postStudentImport(Connection& cn, int userId, const std::vector<std::vector<std::string>>& table,
                              const ImportPlan& shown);

}  // namespace fo
