#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"

// Notices to parents ("缴费通知单"): one per student, what his open arrears
// owe by period and item, the total, the day to pay by and the office's own
// line (the host setting txtNoticeLine), under the school's name
// (txtSchoolName). Read here; laid out on A4 pages by the desktop's printer.
namespace fo::notices {

struct Owed {
    std::string period, itemName;
    Currency owed;
};

struct Notice {
    std::string school, studentNo, studentName, className;
    std::vector<Owed> lines;  // by period, then item
    Currency total;
    std::string deadline;     // "yyyy-mm-dd"
    std::string officeLine;
};

// The students of class `className` who owe anything, by student number.
std::vector<Notice> forClass(Connection& cn, const std::string& className, const std::string& deadline);
// The students numbered `studentNos`, in that order, each with his notice
// even when he owes nothing. Throws std::invalid_argument naming a number
// that is no student's.
std::vector<Notice> forStudents(Connection& cn, const std::vector<std::string>& studentNos,
                                const std::string& deadline);

}  // namespace fo::notices
