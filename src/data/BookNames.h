#pragma once
#include <map>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/PreparedStatements.h"
#include "db/values/Value.h"

namespace fo {

// The names a clerk knows the books' ids by, for the reasons of a plan:
// fee items by name, students by number and name. Read once per id on the
// connection it was given (a student's through `prepared`, when a run of
// many students gives one, so only his id is bound).
class BookNames {
public:
    explicit BookNames(Connection& cn, PreparedStatements* prepared = nullptr) : cn_(cn), prepared_(prepared) {}
    // "伙食费"; the id itself when the item is unknown.
    std::string item(const Value& sfxmid);
    // "1001 张三"; the id itself when the student is unknown.
    std::string student(const Value& xsid);
    // Reads the names of many students at once (a batch posting's), a few
    // hundred to a statement, so `student` finds them without a read each.
    void readStudents(const std::vector<std::string>& ids);
    Connection& connection() const { return cn_; }

private:
    Connection& cn_;
    PreparedStatements* prepared_;
    std::map<std::string, std::string> items_;
    bool itemsRead_ = false;
    std::map<std::string, std::string> students_;
};

}  // namespace fo
