#pragma once

// A thin RAII layer over the SQLite C interface: one connection, prepared
// statements with bound parameters, and a transaction guard that nests.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace korvex::sql {

// The error code of a write refused by the connection's write check: the file
// changed since the writer last read it. Outside SQLite's own codes.
inline constexpr int kStaleWrite = 0xF0;

class Connection {
  public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;

    // Opens `path` with the given sqlite3_open_v2 flags. On failure the
    // connection stays closed and `errorCode()` / `errorMessage()` say why.
    bool open(const std::string& path, int flags);
    void close();

    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }

    // Runs SQL without parameters (schema statements, BEGIN/COMMIT).
    bool exec(const char* sql);

    void setBusyTimeout(int milliseconds);
    bool readOnly() const;
    bool inTransaction() const;
    std::int64_t lastInsertRowid() const;

    // The last failure seen by this connection or its statements (a primary
    // SQLite result code and its text). Rollbacks do not overwrite it, so
    // it still names the statement that failed.
    int errorCode() const { return errorCode_; }
    const std::string& errorMessage() const { return errorMessage_; }
    void noteError(int code);
    void clearError();

    // Asked after every outermost write transaction took the write lock,
    // before anything is written; false refuses the transaction: it is
    // rolled back and fails with kStaleWrite. Empty: every write may go on.
    void setWriteCheck(std::function<bool(Connection&)> check) { writeCheck_ = std::move(check); }
    // How many failures this connection has seen so far; a reader compares
    // it before and after a group of queries to know that none failed, also
    // for queries whose result cannot tell "none" from "failed".
    std::uint64_t errorCount() const { return errorCount_; }

  private:
    friend class Transaction;
    sqlite3* db_ = nullptr;
    std::function<bool(Connection&)> writeCheck_;
    int errorCode_ = 0;
    std::uint64_t errorCount_ = 0;
    std::string errorMessage_;
};

class Statement {
  public:
    enum class Step { Row, Done, Error };

    Statement(Connection& conn, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // False when the statement could not be prepared; every later call then fails.
    bool ok() const { return stmt_ != nullptr && !bindFailed_; }

    // Parameters are numbered from 1, as in SQLite.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view value);
    Statement& bind(int index, const char* value) {
        return bind(index, std::string_view(value ? value : ""));
    }
    Statement& bind(int index, const std::string& value) {
        return bind(index, std::string_view(value));
    }

    // Binds the arguments to parameters 1..n in order.
    template <typename... Args>
    Statement& bindAll(const Args&... args) {
        int index = 0;
        (bind(++index, args), ...);
        return *this;
    }

    Step step();
    // Steps until the statement is done; true when it finished without error.
    bool run();
    // Makes the statement ready to run again with new bindings.
    void reset();

    std::int64_t columnInt(int column) const;
    // NULL text reads as empty text.
    std::string columnText(int column) const;
    bool columnIsNull(int column) const;

  private:
    Connection& conn_;
    sqlite3_stmt* stmt_ = nullptr;
    bool bindFailed_ = false;
};

// Opens a write transaction on construction (BEGIN IMMEDIATE at the outermost
// level, a savepoint when one is already open) and rolls it back on
// destruction unless commit() succeeded. Nested guards commit into the outer
// transaction, which decides for all of them.
class Transaction {
  public:
    explicit Transaction(Connection& conn);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool ok() const { return active_; }
    bool commit();
    void rollback();

  private:
    Connection& conn_;
    bool outer_ = false;
    bool active_ = false;
};

// The verdict of PRAGMA quick_check. Damage SQLite does not report by itself
// (cell pointers aimed at the wrong bytes read as rows of NULLs, or as no
// rows) is found only by such a check, so every file is checked before
// anything is built from it.
struct PageCheck {
    enum class Result { Healthy, Damaged, Failed };
    Result result = Result::Failed;
    // Damaged: the check's first findings; Failed: the connection's error
    // (the check could not run: locked, not a database, ...).
    std::string message;
};
PageCheck quickCheck(Connection& db);

}  // namespace korvex::sql
