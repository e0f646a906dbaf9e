#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "ui/print/PrintedDocument.h"

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
// Every student of class `classId`, owing or not, by student number: the
// list a clerk ticks those to notify in.
std::vector<Notice> everyoneInClass(Connection& cn, long classId, const std::string& deadline);
// The students numbered `studentNos`, in that order, each with his notice
// even when he owes nothing. Throws std::invalid_argument naming a number
// that is no student's.
std::vector<Notice> forStudents(Connection& cn, const std::vector<std::string>& studentNos,
                                const std::string& deadline);

// What a notice has room for: the first lines by period and item; the rest
// are summed on one line.
constexpr std::size_t kLinesOnNotice = 10;

// The notices as printed: one slip each, three to an A4 page, titled
// `title`; their text is what a binding without a printer records.
PrintedDocument asDocument(const std::vector<Notice>& notices, const std::string& title);
// One notice as plain text, line by line as it is printed.
std::string asText(const Notice& notice);

}  // namespace fo::notices
