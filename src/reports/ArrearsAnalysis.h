#pragma once
#include <map>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/values/Currency.h"

// Arrears at a glance ("欠费分析"): what the open arrears rows owe, by
// period, class and fee item. The table, the charts and the students behind
// a bar are all read from `cells`, so they show the same amounts.
namespace fo::arrearsview {

struct Cell {
    std::string period;               // the row's qfyf ("202610")
    long classId = 0;
    std::string className;
    long itemId = 0;
    std::string itemName;
    Currency owed;                    // what its items still owe
    long students = 0;                // how many students owe it
};

// Every period, class and item with anything owed, ordered by them.
std::vector<Cell> cells(Connection& cn);

// period -> class name -> owed: the bars by class and month.
using ByClassAndPeriod = std::map<std::string, std::map<std::string, Currency>>;
ByClassAndPeriod byClassAndPeriod(const std::vector<Cell>& cells);
// Whether a period key is a month ("202610"), not a term, a year or a one-off.
bool isMonth(const std::string& period);
// The last `months` monthly periods with their totals, oldest first: the trend.
std::vector<std::pair<std::string, Currency>> trend(const std::vector<Cell>& cells, std::size_t months = 12);

// The students behind one bar: who in class `classId` owes for `period`.
struct Owing {
    long studentId = 0;
    std::string studentNo, studentName;
    Currency owed;
};
std::vector<Owing> studentsBehind(Connection& cn, long classId, const std::string& period);

RecordsetPtr asRecordset(const std::vector<Cell>& cells);
std::string asText(const std::vector<Cell>& cells);

}  // namespace fo::arrearsview
