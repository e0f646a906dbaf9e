#pragma once
#include <stdexcept>
#include <string>

namespace fo {

// The one error type of the data layer. It carries the engine's own code and
// description; `description()` is what a message box shows to the clerk.
class DbError : public std::runtime_error {
public:
    DbError(int code, std::string description, std::string statement = {})
        : std::runtime_error(description), code_(code),
          description_(std::move(description)), statement_(std::move(statement)) {}

    int code() const noexcept { return code_; }
    const std::string& description() const noexcept { return description_; }
    // The statement that failed, when the error came from one (for logs and tests).
    const std::string& statement() const noexcept { return statement_; }

private:
    int code_;
    std::string description_;
    std::string statement_;
};

// Codes of errors raised by the data layer itself rather than by an engine.
namespace dberr {
inline constexpr int NotOpen = -1;        // operation on a closed connection or recordset
inline constexpr int BadProvider = -2;    // connection string names no known engine
inline constexpr int NoCurrentRow = -3;   // EOF/BOF reached
inline constexpr int NoSuchField = -4;    // field name or index unknown
inline constexpr int BadTransaction = -5; // commit/rollback without begin, nested begin
inline constexpr int BadFilter = -6;      // filter expression not understood
inline constexpr int AlreadyOpen = -7;    // Open on an open connection
}  // namespace dberr

}  // namespace fo
