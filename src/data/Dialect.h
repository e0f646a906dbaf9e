#pragma once
#include <string>
#include <string_view>

#include "db/values/DateTime.h"
#include "db/sql/SqlText.h"

namespace fo {

// The two SQL dialects the module writes: SQL Server (dialect code 1) and
// Access/Jet (every other code). The switch is read afresh whenever a
// statement is composed, never cached; each helper below takes the flag so a
// caller passes whatever source of the code applies to it (the host system
// object, the database-information object, a bill's own code).
//
// Only the places where the two texts differ live here; everything else in a
// statement is written once for both.

// True when the host system object's dialect code is currently 1.
bool sqlServerNow();

// User text ready to stand between single quotes: every ' doubled, so the
// stored value equals what was typed. The one place the module does this.
std::string sqlQuote(std::string_view userText);
// The same with its quotes: "'O''Neil'".
std::string sqlQuoted(std::string_view userText);

// " a.kprq between '2024-03-01' and '2024-03-31' " on SQL Server;
// " a.kprq between  format('2024-03-01','yyyy-mm-dd') and format('2024-03-31','yyyy-mm-dd') "
// on Access. Dates are "yyyy-mm-dd" texts made on the client.
std::string dateRange(bool sqlServer, std::string_view column, std::string_view dateFrom,
                      std::string_view dateTo);

// A date as a comparison operand: "'2024-03-01'" or "format('2024-03-01','yyyy-mm-dd')".
std::string dateValue(bool sqlServer, std::string_view date);

// "isnull(qfje,0)" or "iif(isnull(qfje),0,qfje)".
std::string nullToZero(bool sqlServer, std::string_view expression);

// "isnull(a.ysfjlid,0)" or "iif(a.ysfjlid is null,0,a.ysfjlid)".
std::string nullToZeroIsNullForm(bool sqlServer, std::string_view expression);

// "isnull(sum(ysk),0)" or "iif(sum(ysk) is null,0,sum(ysk))".
std::string sumOrZero(bool sqlServer, std::string_view expression);

// The smaller of two: "case when jmje>qfje then qfje else jmje end" or
// "iif(jmje>qfje,qfje,jmje)" for (jmje, qfje).
std::string smallerOf(bool sqlServer, std::string_view first, std::string_view second);

// The current date and time as stored by a statement: "getdate()" on SQL
// Server; on Access the client's `now` in its default text form between
// quotes ("'2024-03-05 14:02:09'").
std::string storedNow(bool sqlServer, const DateTime& now);

// As storedNow, but the Access form passes the client's date and time through
// format(): "format('2024-03-05 14:02:09','yyyy-mm-dd HH:mm:ss')". `pattern`
// is the format text ("yyyy-mm-dd" stores the day alone).
std::string storedNowFormatted(bool sqlServer, const DateTime& now,
                               std::string_view pattern = "yyyy-mm-dd HH:mm:ss");
// The same added to a statement, the Access form's date and time as its value.
SqlText& addStoredNowFormatted(SqlText& sql, bool sqlServer, const DateTime& now,
                               std::string_view pattern = "yyyy-mm-dd HH:mm:ss");
// User text between quotes (sqlQuote) added to a statement as its value.
SqlText& addQuoted(SqlText& sql, std::string_view userText);

// A balance update that keeps two decimals on Access:
// "ysk=ysk+(12.5)" or "ysk=format(ysk+(12.5),'0.00')"; `sign` is '+' or '-'.
std::string roundedBalance(bool sqlServer, std::string_view column, std::string_view amount,
                           char sign = '+');


// A fee record that is neither a cancellation nor cancelled, on the record
// alias `alias`: "isnull(a.ysfjlid,0)=0 and a.id not in(select ysfjlid from kdw_sfjl)"
// or "iif(a.ysfjlid is null,0,a.ysfjlid)=0 and a.id not in(select ysfjlid from kdw_sfjl)".
std::string liveRecordCondition(bool sqlServer, std::string_view alias = "a");

}  // namespace fo
