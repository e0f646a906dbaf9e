#pragma once
#include <optional>
#include <string>

#include "db/Connection.h"

namespace fo {

// An operator (clerk) of the fee office as sys_user keeps him.
struct Operator {
    int id = 0;
    std::string name;
    bool admin = false;  // full rights on every right code
};

// The operators, their rights and the student categories each may see.
// Rights are levels per right code (0 none .. 3 full) in sys_user_right;
// categories are first-level student categories (kdw_xslx rows with
// parentid 0) listed per operator in sys_user_xslb. The built-in operator
// sees every category whatever sys_user_xslb says.
class Operators {
public:
    static constexpr int BuiltInId = 1;
    static constexpr const char* BuiltInName = "系统管理员";
    static constexpr int FullRight = 3;

    explicit Operators(Connection& cn) : cn_(cn) {}

    // Creates the built-in operator (an administrator) when he is missing.
    void ensureBuiltIns();

    std::optional<Operator> find(int id) const;
    void add(const Operator& op);
    void setRight(int userId, const std::string& rightCode, int level);
    void allowCategory(int userId, int categoryId);

    // 0..3; an administrator has 3 for every code, an unknown code gives 0.
    int rightLevel(int userId, const std::string& rightCode) const;
    // The ids of the first-level categories he may see, ascending, joined
    // with ","; "" when none.
    std::string categoryIds(int userId) const;
    // " and " + column + " in(ids)" limiting `column` to his categories
    // ("in(-1)" when he has none, so he sees nothing); "" for the built-in
    // operator, who sees every category.
    std::string categoryCondition(int userId, const std::string& column) const;

private:
    std::string joinIds(const std::string& sql) const;

    Connection& cn_;
};

}  // namespace fo
