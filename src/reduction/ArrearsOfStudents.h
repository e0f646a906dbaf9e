#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/PreparedStatements.h"
#include "db/values/Value.h"

namespace fo::jmjl {

// The arrears rows (open and closed) of all the students of one batch
// posting in the periods it reduces, with their items, read inside the
// posting's transaction in one statement (per thousand students), where each
// student's checks and settlement would read them again for him alone. They are the stored rows as the
// transaction sees them: nobody else writes while it holds the books' write
// lock, and a student the posting has written for is forgotten, so what he
// is asked again is read afresh.
class ArrearsOfStudents {
public:
    struct Item {
        Value qfkid, xsid, sflxid, sfxmid;
        Currency qfje, fkje, jmje;
    };
    struct Row {
        Value qfkid, xsid, jmje, jmjlid, fkrq;
        std::string qfyf;
        std::vector<Item> items;  // by listid
    };

    // Reads the rows of `students` (ids) in `periods` on `trCn`.
    void read(Connection& trCn, const std::vector<std::string>& students, const std::set<std::string>& periods,
              PreparedStatements* prepared);
    // The student's rows in all of `periods`, by qfkid, when they were read
    // and he has not been written for since; null when he must be read alone.
    const std::vector<Row>* rowsOf(const std::string& xsid, const std::set<std::string>& periods) const;
    // The posting writes for the student: his rows read here are stale.
    void forget(const std::string& xsid) { students_.erase(key(xsid)); }
    const Connection* connection() const { return on_; }

private:
    static std::string key(const std::string& xsid);
    const Connection* on_ = nullptr;
    std::set<std::string> periods_;
    std::map<std::string, std::vector<Row>> students_;
};

// Whether arrears key `qfyf` is one of `periods`, as the books compare them
// (without regard to ASCII case).
bool inPeriods(const std::string& qfyf, const std::set<std::string>& periods);

}  // namespace fo::jmjl
