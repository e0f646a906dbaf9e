#pragma once
#include <QDialog>
#include <string>

#include "db/pg/PgLink.h"

class QLineEdit;

namespace fo::app {

// Asks for a fee database on a PostgreSQL server: host, port, database and
// user. There is no password field: the password comes from the user's
// ~/.pgpass (or PGPASSWORD), so the program never keeps one.
class ServerDatabaseDialog final : public QDialog {
public:
    ServerDatabaseDialog(const PgLinkParts& initial, QWidget* parent);
    // The connection string of what was entered (Provider=PostgreSQL;…).
    std::string link() const;

private:
    QLineEdit *host_, *port_, *database_, *user_;
};

}  // namespace fo::app
