#pragma once
#include <optional>
#include <string>

namespace fo {

// The server role an operator signed in as, with the password he typed.
// It lives in this process's memory only: never in a link string, a
// settings file or a log. While it is set, every session the program opens
// on that database (same server, port and database) logs in as that role
// with that password, whatever user the link names; the link's own user is
// only the workstation's way in before anyone has signed in.
struct PgSignedInRole {
    std::string host, port, database;
    std::string role, password;
};

void setPgSignedInRole(PgSignedInRole signedIn);
void clearPgSignedInRole();
// The role a link's sessions log in as now, when one is set for its database.
std::optional<PgSignedInRole> pgSignedInRoleFor(const std::string& link);

// The SCRAM-SHA-256 verifier of `password` for `role`, made on this side,
// so that the clear password never travels to the server or its logs.
std::string pgPasswordVerifier(const std::string& role, const std::string& password);

}  // namespace fo

namespace fo {

// Whether the server lets `role` log in with `password` to the database of
// `link` (the server's own authentication decides). False for a wrong
// password or a role that cannot log in; a server that cannot be reached
// throws DbError as any connection does.
bool pgLoginAccepted(const std::string& link, const std::string& role, const std::string& password);

}  // namespace fo
