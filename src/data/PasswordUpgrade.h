#pragma once
#include "db/Connection.h"

namespace fo {

// Brings the operator table of a fee database written by earlier releases,
// which kept passwords in clear text (sys_user.password), to what this one
// keeps: a hash of each password that was set, and the password column
// gone. Every operator must choose a new password at his next sign-in: one
// who had a password signs in with it once more, one who had none sets his
// first. Adds the audit log table when it is missing. Runs inside the
// caller's transaction; a table already brought up to date is left as it is.
void upgradeOperatorPasswords(Connection& cn);

}  // namespace fo
