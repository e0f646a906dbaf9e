#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "host/api/Rights.h"

namespace fo {

// An operator (clerk) of the fee office as sys_user keeps him.
struct Operator {
    int id = 0;
    std::string name;
    bool admin = false;  // full rights on every right code; manages the operators
    bool disabled = false;
    bool hasPassword = false;      // a hash is stored
    bool mustSetPassword = false;  // asked for a new password at his next sign-in
};

using RightCode = rights::RightCode;

// A change to the operators that is not allowed, with the reason the
// administrator reads.
class OperatorRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The operators, their rights and the student categories each may see.
// Rights are levels per right code (0 none .. 3 full) in sys_user_right;
// categories are first-level student categories (kdw_xslx rows with
// parentid 0) listed per operator in sys_user_xslb. The built-in operator
// sees every category whatever sys_user_xslb says. Passwords are kept only
// as hashes; a new operator has none and sets his at his first sign-in.
// On a server every operator is also a login role of his own
// (PgServerRoles): adding, promoting, disabling and removing him changes
// his role too, and his password is the role's, kept by the server alone.
class Operators {
public:
    static constexpr int BuiltInId = 1;
    static constexpr const char* BuiltInName = "系统管理员";
    static constexpr int FullRight = rights::Full;
    // The right to reprint a receipt, which the receipt register asks for.
    static constexpr const char* ReprintRight = rights::Reprint;

    explicit Operators(Connection& cn) : cn_(cn) {}

    // The right codes the module and the main window ask for, in the order
    // the operator window lists them.
    static const std::vector<RightCode>& rightCatalogue();

    // Creates the built-in operator (an administrator, with no password yet)
    // in a new database: one without any operator or audit row. An existing
    // office is left as it is.
    void ensureBuiltIns();

    std::optional<Operator> find(int id) const;
    // Every operator, by id.
    std::vector<Operator> list() const;
    // Adds `op` (id and name as given) without a password.
    void add(const Operator& op);
    // Adds an operator with the next free id and returns it; the name must
    // be new and not blank.
    int addNew(const std::string& name, bool admin);
    void rename(int id, const std::string& name);
    // The built-in operator stays an administrator; the last administrator
    // who can sign in can be neither demoted nor disabled.
    void setAdmin(int id, bool admin);
    void setDisabled(int id, bool disabled);
    // True when any record, receipt or arrears row names him as its operator.
    bool hasPostings(int id) const;
    // Removes an operator who never posted, with his rights and categories.
    // The built-in operator and anyone with postings are only disabled.
    void remove(int id);

    // Stores a hash of `clear` as his password; `mustChange` asks him for a
    // new one at his next sign-in. Clears his wrong-password count.
    void setPassword(int id, const std::string& clear, bool mustChange);
    // Stores `hash` (made by password::hash) as his password; on a server
    // only a mark that the server keeps one.
    void setPasswordHash(int id, const std::string& hash, bool mustChange);
    // The password `clear` given him, with `hash` (password::hash of it,
    // made beforehand, outside the transaction): a file keeps the hash, a
    // server the role's own verifier of `clear`.
    void setGivenPassword(int id, const std::string& clear, const std::string& hash, bool mustChange);
    // The stored hash; "" when he has none.
    std::string passwordHash(int id) const;

    void setRight(int userId, const std::string& rightCode, int level);
    void allowCategory(int userId, int categoryId);
    // Replaces his categories by `categoryIds`.
    void setCategories(int userId, const std::vector<int>& categoryIds);
    // The first-level categories, as (id, name), by id.
    std::vector<std::pair<int, std::string>> firstLevelCategories() const;

    // 0..3; an administrator has 3 for every code, an unknown code gives 0.
    int rightLevel(int userId, const std::string& rightCode) const;
    // The level stored for him (0 when none), whatever his administrator flag.
    int storedRight(int userId, const std::string& rightCode) const;
    // The ids of the first-level categories he may see, ascending, joined
    // with ","; "" when none.
    std::string categoryIds(int userId) const;
    // " and " + column + " in(ids)" limiting `column` to his categories
    // ("in(-1)" when he has none, so he sees nothing); "" for the built-in
    // operator, who sees every category.
    std::string categoryCondition(int userId, const std::string& column) const;

private:
    bool onServer() const;
    std::string joinIds(const std::string& sql) const;
    long count(const std::string& sql) const;
    Operator require(int id) const;
    void checkName(int id, const std::string& name) const;
    // Refuses when taking `id` out of the administrators who can sign in
    // would leave none.
    void keepAnAdministrator(int id) const;

    Connection& cn_;
};

}  // namespace fo
