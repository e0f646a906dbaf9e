#include "db/pg/PgLink.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "db/DbError.h"
#include "db/Engine.h"
#include "db/values/TextCase.h"

namespace fo {
namespace {

bool isUri(const std::string& link) {
    const std::string head = lowerAscii(trimWhitespace(link).substr(0, 13));
    return head.rfind("postgresql://", 0) == 0 || head.rfind("postgres://", 0) == 0;
}

// A value as libpq's keyword/value form takes it: quoted, with ' and \ escaped.
std::string quotedValue(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

// The provider form's keys, each under the names people write.
std::string firstOf(const ConnectionStringParts& parts, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (std::string v = parts.get(key); !v.empty()) return v;
    return {};
}

PgLinkParts providerParts(const std::string& link) {
    const ConnectionStringParts parts = ConnectionStringParts::parse(link);
    if (!firstOf(parts, {"Password", "Pwd"}).empty())
        throw DbError(dberr::BadProvider,
                      "A password does not belong in the connection string: keep it in ~/.pgpass or PGPASSWORD");
    return PgLinkParts{firstOf(parts, {"Host", "Server"}), firstOf(parts, {"Port"}),
                       firstOf(parts, {"Database", "Initial Catalog"}), firstOf(parts, {"User ID", "User", "UID"})};
}

// Percent-encodes what may not stand in a URI's path.
std::string uriEncoded(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') out += static_cast<char>(c);
        else out += {'%', hex[c >> 4], hex[c & 15]};
    }
    return out;
}

}  // namespace

bool isPostgresLink(const std::string& link) {
    if (isUri(link)) return true;
    const std::string provider = ConnectionStringParts::parse(link).provider;
    return equalsIgnoreCase(provider, "postgresql") || equalsIgnoreCase(provider, "postgres");
}

std::string pgConninfo(const std::string& link) {
    if (isUri(link)) {
        pgLinkParts(link);  // refuses a password
        return trimWhitespace(link);
    }
    const PgLinkParts parts = providerParts(link);
    if (parts.database.empty())
        throw DbError(dberr::BadProvider, "The connection string names no Database");
    std::string out = "dbname=" + quotedValue(parts.database);
    if (!parts.host.empty()) out += " host=" + quotedValue(parts.host);
    if (!parts.port.empty()) out += " port=" + quotedValue(parts.port);
    if (!parts.user.empty()) out += " user=" + quotedValue(parts.user);
    return out;
}

namespace {

// The parts of a URI; `password` receives a password it carries.
PgLinkParts uriParts(const std::string& link, std::string& password) {
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
        PQconninfoParse(trimWhitespace(link).c_str(), &error), &PQconninfoFree);
    if (!options) {
        const std::string why = error ? error : "out of memory";
        PQfreemem(error);
        throw DbError(dberr::BadProvider, "Cannot read the PostgreSQL address: " + trimWhitespace(why));
    }
    PgLinkParts parts;
    for (PQconninfoOption* o = options.get(); o->keyword; ++o) {
        if (!o->val) continue;
        const std::string key = o->keyword;
        if (key == "host" || (key == "hostaddr" && parts.host.empty())) parts.host = o->val;
        else if (key == "port") parts.port = o->val;
        else if (key == "dbname") parts.database = o->val;
        else if (key == "user") parts.user = o->val;
        else if (key == "password") password = o->val;
    }
    return parts;
}

}  // namespace

PgLinkParts pgLinkParts(const std::string& link) {
    if (!isUri(link)) return providerParts(link);
    std::string password;
    PgLinkParts parts = uriParts(link, password);
    if (!password.empty())
        throw DbError(dberr::BadProvider,
                      "A password does not belong in the address: keep it in ~/.pgpass or PGPASSWORD");
    return parts;
}

std::string pgProviderString(const PgLinkParts& parts) {
    std::string out = "Provider=PostgreSQL";
    const auto add = [&out](const char* key, const std::string& value) {
        if (value.empty()) return;
        const bool quote = value.find(';') != std::string::npos || value.find('"') != std::string::npos ||
                           value.front() == ' ' || value.back() == ' ' || value.front() == '\'';
        if (!quote) {
            out += std::string(";") + key + "=" + value;
            return;
        }
        std::string quoted = "\"";
        for (char c : value) {
            if (c == '"') quoted += '"';
            quoted += c;
        }
        out += std::string(";") + key + "=" + quoted + "\"";
    };
    add("Host", parts.host);
    add("Port", parts.port);
    add("Database", parts.database);
    add("User ID", parts.user);
    return out;
}

std::string shownWithoutPassword(const std::string& database) {
    if (!isPostgresLink(database)) return database;
    if (!isUri(database)) {
        // The provider form with a password is refused everywhere; shown, it loses it.
        const ConnectionStringParts parts = ConnectionStringParts::parse(database);
        return pgProviderString(PgLinkParts{firstOf(parts, {"Host", "Server"}), firstOf(parts, {"Port"}),
                                            firstOf(parts, {"Database", "Initial Catalog"}),
                                            firstOf(parts, {"User ID", "User", "UID"})});
    }
    try {
        std::string password;
        return pgProviderString(uriParts(database, password));
    } catch (const DbError&) {
        return "postgresql://…";  // unreadable: nothing of it is shown, a password least of all
    }
}

std::string pgLinkToDatabase(const std::string& link, const std::string& database) {
    if (!isUri(link)) {
        PgLinkParts parts = providerParts(link);
        parts.database = database;
        return pgProviderString(parts);
    }
    // postgresql://[user[:password]@][host][:port][/dbname][?options]: the
    // path is replaced, the rest (a password included) stays.
    const std::string uri = trimWhitespace(link);
    const std::size_t authority = uri.find("://") + 3;
    const std::size_t query = uri.find('?', authority);
    const std::size_t slash = uri.find('/', authority);
    const std::size_t pathStart = slash != std::string::npos && slash < query ? slash : std::min(query, uri.size());
    const std::string rest = query == std::string::npos ? std::string() : uri.substr(query);
    return uri.substr(0, pathStart) + "/" + uriEncoded(database) + rest;
}

}  // namespace fo
