#pragma once
#include <string>

namespace fo {

// Where a PostgreSQL fee database is: the server, the database and the user.
// No password: it comes from libpq's own conventions (~/.pgpass, PGPASSWORD,
// PGPASSFILE, peer or trust authentication), never from a connection string
// the program keeps.
struct PgLinkParts {
    std::string host;      // a host name, an address, or a socket folder ("/run/postgresql"); empty = libpq's default
    std::string port;      // empty = libpq's default
    std::string database;  // empty = libpq's default (the user's name)
    std::string user;      // empty = libpq's default (the login name)
};

// True for "Provider=PostgreSQL;…" connection strings and for
// "postgresql://…" / "postgres://…" URIs.
bool isPostgresLink(const std::string& link);

// The libpq connection string for a PostgreSQL link: a URI is handed over as
// it stands; the provider form becomes "host=… port=… dbname=… user=…".
// Throws DbError(BadProvider) for a link that carries a password (either
// form: it belongs in ~/.pgpass or PGPASSWORD) and for a provider form that
// names no database.
std::string pgConninfo(const std::string& link);

// The server, database and user a link names (from either form); throws
// DbError(BadProvider) when libpq cannot read it or it carries a password.
PgLinkParts pgLinkParts(const std::string& link);

// "Provider=PostgreSQL;Host=…;Port=…;Database=…;User ID=…" (empty parts left
// out): the form the program shows and remembers, never with a password.
std::string pgProviderString(const PgLinkParts& parts);

// A database as the program shows and remembers it: a PostgreSQL link in the
// provider form, without any password the link carried; anything else as it
// is. Never throws: an unreadable link is shown as "postgresql://…".
std::string shownWithoutPassword(const std::string& database);

// The same link aimed at another database on the same server as the same
// user (the maintenance database "postgres" to create or drop one).
std::string pgLinkToDatabase(const std::string& link, const std::string& database);

}  // namespace fo
