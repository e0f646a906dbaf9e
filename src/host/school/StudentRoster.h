#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "host/school/SchoolSetup.h"

namespace fo {

// A student's status (kdw_xs.intTx); only 在园 students owe and are listed
// for charging.
enum class StudentStatus { Attending = 0, OnLeave = 1, LeftSchool = 2, Graduated = 3 };
const std::vector<std::string>& studentStatusCaptions();  // by status: 在园, 休学, 退学, 毕业

struct Student {
    int id = 0;
    std::string number;     // 学号 xh, unique
    std::string name;       // xm
    std::string shortCode;  // jm; from the name's initials when left empty
    std::string sex;        // 男 / 女 / ""
    std::string birthDate;  // "yyyy-mm-dd" or ""
    std::string entryDate;  // rxsj, "yyyy-mm-dd"
    int classId = 0;
    int chargeTypeId = 0;
    int categoryId = 0;     // the deepest category; its path fills lb1, lb2, lb
    std::string father, fatherPhone, mother, motherPhone, homePhone;
    StudentStatus status = StudentStatus::Attending;
    std::vector<std::pair<int, int>> discounts;  // fee item id, percent paid (xszhekou.zhekou)
};

// The students of the school, kept by an administrator. Writes on `cn`
// inside the caller's transaction; refuses with SetupRefusal. A student is
// never deleted: retired (del = 1) he leaves every list. His class and
// charge type change only by a move as of a day, which is kept
// (kdw_xsbd) besides his row's present class and type.
class StudentRoster {
public:
    StudentRoster(Connection& cn, int userId) : cn_(cn), userId_(userId) {}

    // Why `s` cannot be added as a new student (or, with its id, saved):
    // "" when it can. The reasons a clerk reads: a missing name, a number
    // already used, an unknown class or charge type, a date that is no date.
    std::string refusalOf(const Student& s) const;

    // Adds him; his entry is his first move. Returns his id.
    int add(Student s);
    // Saves everything but his class and charge type.
    void update(Student s);
    // From `asOf` on he is in `classId` with `chargeTypeId`. A day before
    // his last move, or in a month already carried over, is refused.
    void move(int id, int classId, int chargeTypeId, const std::string& asOf);
    void retire(int id);

    std::optional<Student> find(int id) const;
    // The students not retired, by number; `alsoGone` adds those who left
    // or graduated.
    std::vector<Student> list(bool alsoGone) const;
    // His moves, oldest first: day, class name, charge type name.
    std::vector<std::vector<std::string>> moves(int id) const;

private:
    long count(const std::string& sql) const;
    std::string categoryColumns(int categoryId) const;  // "lb1,lb2,lb" values
    void writeDiscounts(int id, const std::vector<std::pair<int, int>>& discounts);

    Connection& cn_;
    int userId_;
};

}  // namespace fo
