#pragma once
#include "FeeOfficeApi.h"
#include <stdexcept>
#include <string>

namespace fo {

// What went wrong, in terms a window can act on whatever the engine: every
// engine maps its own codes onto these.
enum class DbErrorKind {
    Other,
    Busy,            // another session held the write lock longer than the wait
    ReadOnly,        // the database, its file or its folder cannot be written
    DiskFull,        // no room left to write
    Corrupt,         // the database's own structure is damaged
    NotFeeDatabase,  // the file or database is something other than a fee database
    NewerSchema,     // a fee database written by a newer version of the program
    Missing,         // the database named does not exist
    Connection,      // the database cannot be reached or opened
    Constraint,      // a key or a required value was violated
};

// The one error type of the data layer. `description()` is what a clerk
// reads, in Chinese, and says what to do where there is something to do;
// `engineText()` keeps the engine's own words for logs, the administrator's
// tools and tests. `what()` is the description.
class FEEOFFICE_API DbError : public std::runtime_error {
public:
    // An error the data layer raises itself: its text is already the
    // clerk's, and serves as the engine text too.
    DbError(int code, std::string description, std::string statement = {})
        : DbError(DbErrorKind::Other, code, description, description, std::move(statement)) {}
    DbError(DbErrorKind kind, int code, std::string description, std::string engineText,
            std::string statement = {})
        : std::runtime_error(description), kind_(kind), code_(code), description_(std::move(description)),
          engineText_(std::move(engineText)), statement_(std::move(statement)) {}

    DbErrorKind kind() const noexcept { return kind_; }  // what kind of failure, for callers that react to it
    int code() const noexcept { return code_; }  // the engine's or the module's error number
    const std::string& description() const noexcept { return description_; }  // the Chinese text a clerk reads
    const std::string& engineText() const noexcept { return engineText_; }  // the engine's own text, for the log
    // The statement that failed, when the error came from one (for logs and tests).
    const std::string& statement() const noexcept { return statement_; }

private:
    DbErrorKind kind_;
    int code_;
    std::string description_;
    std::string engineText_;
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
inline constexpr int AlreadyExists = -8;  // a database to be created is there already
inline constexpr int NotFeeDatabase = -9; // the database is not a fee database
inline constexpr int NewerSchema = -10;   // a fee database of a newer schema version
inline constexpr int EmptyStatement = -11; // a statement text without any statement
inline constexpr int BadParameter = -12;   // a prepared statement's parameter out of range, or not one statement
inline constexpr int BadText = -13;        // text with a NUL byte or bytes that are not UTF-8
}  // namespace dberr

// The texts a clerk reads for the kinds that need no engine detail; each
// says what to do. Engines use them so that every engine says the same.
namespace dbtext {
inline constexpr const char* Busy =
    "费用数据库正被其他程序或工作站占用，等待超时。本次操作没有保存任何内容，请稍后再试；"
    "若一直如此，请关闭其他正在使用该数据库的程序。";  // the database was locked too long
inline constexpr const char* ReadOnly =
    "费用数据库是只读的（数据库文件或其所在文件夹不允许写入），本次操作没有保存。"
    "请让管理员检查文件权限，或把数据库复制到可以写入的位置后再打开。";  // the database cannot be written
inline constexpr const char* DiskFull =
    "磁盘空间已满，无法写入费用数据库，本次操作没有保存。请清理磁盘空间后再试。";  // the disk is full
inline constexpr const char* Corrupt =
    "费用数据库文件已损坏。请停止录入，并让管理员从最近的备份恢复。";  // the database file is damaged
inline constexpr const char* Constraint =
    "数据与已有记录冲突（编号重复或缺少必填内容），本次操作没有保存。";  // a key or a required value
inline constexpr const char* Other = "数据库操作失败，本次操作没有保存。";  // any other failure
inline constexpr const char* BadText =
    "输入的文字中有不能保存的字符（空字符，或不是有效 UTF-8 编码的字节，多半是从别处粘贴进来的），本次操作没有保存。"
    "请删去这些字符后再试。";  // text the books cannot keep
}  // namespace dbtext

}  // namespace fo
