#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// Who may do what on a PostgreSQL fee database, kept by the server itself.
//
// The login that makes the database (the administrator's own, running
// init-demo, copy or an upgrade) owns the schema and everything in it; no
// workstation signs in with it. Three group roles of the database's own,
// named after it, hold the grants:
//   - the clerks' group: reads the books and inserts what postings insert;
//     of the history (records, their items, receipts' items, the cash
//     journal, the audit log) it can update or delete only what postings
//     change, and triggers refuse the rest with a Chinese message naming
//     the change;
//   - the administrators' group: a clerk who also manages the operators,
//     their rights and categories, and the office's master data;
//   - the sign-in group: what a workstation reads and writes before anyone
//     has signed in (the operators' names, the wrong-password count, the
//     log of sign-ins).
// Every operator signs in as a login role of his own (SCRAM password, the
// server's authentication), a member of the clerks' or the administrators'
// group; fo_operator_roles says which role is which operator. Students,
// records, receipts and arrears show to an operator's role only within his
// first-level categories (row-level security); the built-in administrator
// sees all.

// The schema where an operator's role may create the work tables the
// module shares between the connections of one session: searched by no
// session, so nothing made there can stand in for the fee schema's tables
// or functions.
inline constexpr const char* PgWorkSchema = "feeoffice_work";

// Sets the arrangement up on `cn`, connected as the schema's owner, inside
// the caller's transaction: on a new database and as the upgrade of an
// existing one (rows already there stay; every operator gets a role of his
// own, see givePgOperatorsRoles).
void arrangePgServerRoles(Connection& cn);

// Grants on an administered table that a schema upgrade added: the clerks
// read it, the administrators keep it. Nothing when the database has no
// roles arranged yet (their arrangement grants it with the rest).
void grantPgAdministeredTable(Connection& cn, const std::string& table);

// The clerks read a table a schema upgrade added that only the schema's
// owner writes (its triggers, running as the owner, keep it). Nothing when
// the database has no roles arranged yet.
void grantPgReadOnlyTable(Connection& cn, const std::string& table);

// Brings an arrangement an earlier version made up to today's, as the
// schema's owner inside the caller's transaction (every statement may run
// again): the sign-in's count of attempts being verified (sys_user.pending),
// the rights as memberships (their roles made, every operator's rights
// granted), the guards as today's.
void upgradePgServerRoles(Connection& cn);

// Gives every operator who has none (rows upgraded or copied in) a login
// role without a password: his earlier password, the program's own hash,
// cannot become the server's, so the administrator gives him one anew (the
// built-in administrator's first is set by the schema's owner).
void givePgOperatorsRoles(Connection& cn);

// The login role of operator `userId` ("" when he has none).
std::string pgOperatorRole(Connection& cn, int userId);

// Makes (or takes over) the login role of a new operator `userId`, in the
// administrators' group when `admin`, otherwise in the clerks'; it cannot
// sign in until it is given a password.
std::string createPgOperatorRole(Connection& cn, int userId, bool admin);

// His right `rightCode` at `level` (0: none) as a membership: of the role
// of that code and level (made when first needed, listed in
// fo_right_roles), and of no other level of it. Kept in step with
// sys_user_right by whoever writes the rows, in the same transaction. The
// server enforces with them the rights a row shows were used: voiding a
// receipt needs the register's void level, a batch posting (its audit row)
// the batch right, a reduction's record the reductions' or the batch right,
// a cancellation's the reductions'.
void setPgOperatorRight(Connection& cn, int userId, const std::string& rightCode, int level);
// Every right of his rows as memberships (a role made or taken over).
void grantPgOperatorRights(Connection& cn, int userId);
// The operators whose memberships disagree with their rights rows, in the
// clerk's words; none on a database without rights roles.
std::vector<std::string> pgRightMembershipFaults(Connection& cn);

// Moves his role between the groups.
void setPgOperatorAdmin(Connection& cn, int userId, bool admin);
// A disabled operator's role cannot log in.
void setPgOperatorDisabled(Connection& cn, int userId, bool disabled);
// Drops his role (when the operator himself is removed).
void dropPgOperatorRole(Connection& cn, int userId);
// Sets his server password: only its SCRAM verifier, made on this side,
// goes to the server.
void setPgOperatorPassword(Connection& cn, int userId, const std::string& clear);

// A PL/pgSQL body as a string literal without a ';' in its text (the
// connection runs a script statement by statement, split at each ';').
std::string pgBodyLiteral(const std::string& body);

// True when `cn` is connected as the owner of the fee schema.
bool isPgSchemaOwner(Connection& cn);

}  // namespace fo
