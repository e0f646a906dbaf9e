#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/DateTime.h"
#include "host/fees/Calendar.h"
#include "host/demo/DemoSchoolBooks.h"
#include "host/demo/DemoSchoolRandom.h"

namespace fo::demo {

// The school year containing a day: its twelve accounting months from
// September, its two terms and the year itself.
struct SchoolYear {
    int startYear = 0;
    std::vector<AccountingMonth> months;
    PeriodRange autumn, spring, year;
};

SchoolYear writeCalendar(Connection& cn, const DateTime& today);
// Student categories, classes, fee items and charge types.
void writeCatalogue(Connection& cn);
std::vector<DemoStudent> writeStudents(Connection& cn, DemoRandom& rnd, int count, int startYear);
// Operators with their rights, categories and demo passwords, host
// settings, receipt formats.
void writeOfficeSetup(Connection& cn);

}  // namespace fo::demo
