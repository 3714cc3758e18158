#include "Sqlite.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

namespace korvex::sql {

Connection::~Connection() {
    close();
}

Connection::Connection(Connection&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      writeCheck_(std::move(other.writeCheck_)),
      errorCode_(other.errorCode_),
      errorCount_(other.errorCount_),
      errorMessage_(std::move(other.errorMessage_)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
        writeCheck_ = std::move(other.writeCheck_);
        errorCode_ = other.errorCode_;
        errorCount_ = other.errorCount_;
        errorMessage_ = std::move(other.errorMessage_);
    }
    return *this;
}

bool Connection::open(const std::string& path, int flags) {
    close();
    clearError();
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        errorCode_ = rc & 0xff;
        errorMessage_ = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    // Without this a double-quoted name that matches no column silently
    // becomes a text literal: a renamed column would read as its own name.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // Checks each page's cell sizes as it is read: a page whose cells run
    // out of it is an error instead of rows made of its neighbours' bytes.
    sqlite3_exec(db, "PRAGMA cell_size_check = ON", nullptr, nullptr, nullptr);
    db_ = db;
    return true;
}

void Connection::close() {
    if (db_) {
        // close_v2 defers the close if a statement is still alive, so a
        // forgotten statement cannot make us leak or crash.
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool Connection::exec(const char* sql) {
    if (!db_) {
        errorCode_ = SQLITE_MISUSE;
        errorMessage_ = "no open database";
        ++errorCount_;
        return false;
    }
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        noteError(rc);
        return false;
    }
    return true;
}

void Connection::setBusyTimeout(int milliseconds) {
    if (db_) sqlite3_busy_timeout(db_, milliseconds);
}

bool Connection::readOnly() const {
    return db_ && sqlite3_db_readonly(db_, "main") == 1;
}

bool Connection::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

std::int64_t Connection::lastInsertRowid() const {
    return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

void Connection::noteError(int code) {
    ++errorCount_;
    errorCode_ = code & 0xff;
    errorMessage_ = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    if (errorMessage_.empty()) errorMessage_ = sqlite3_errstr(code);
}

void Connection::clearError() {
    errorCode_ = 0;
    errorMessage_.clear();
}

Statement::Statement(Connection& conn, std::string_view sql) : conn_(conn) {
    if (!conn.isOpen()) {
        bindFailed_ = true;
        return;
    }
    int rc = sqlite3_prepare_v2(conn.handle(), sql.data(), static_cast<int>(sql.size()), &stmt_,
                                nullptr);
    if (rc != SQLITE_OK) {
        conn_.noteError(rc);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (!stmt_) return *this;
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) {
        conn_.noteError(rc);
        bindFailed_ = true;
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view value) {
    if (!stmt_) return *this;
    // An empty view may carry a null pointer, which SQLite would store as
    // NULL; the columns are TEXT NOT NULL, so bind a real empty text.
    const char* data = value.data() ? value.data() : "";
    int rc = sqlite3_bind_text64(stmt_, index, data, value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK) {
        conn_.noteError(rc);
        bindFailed_ = true;
    }
    return *this;
}

Statement::Step Statement::step() {
    if (!ok()) return Step::Error;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return Step::Row;
    if (rc == SQLITE_DONE) return Step::Done;
    conn_.noteError(rc);
    return Step::Error;
}

bool Statement::run() {
    for (;;) {
        switch (step()) {
            case Step::Row:
                continue;
            case Step::Done:
                return true;
            case Step::Error:
                return false;
        }
    }
}

void Statement::reset() {
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::columnInt(int column) const {
    return stmt_ ? sqlite3_column_int64(stmt_, column) : 0;
}

std::string Statement::columnText(int column) const {
    if (!stmt_) return {};
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool Statement::columnIsNull(int column) const {
    return !stmt_ || sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

namespace {
constexpr const char* kSavepoint = "korvex_tx";

// Rollback must not replace the error that made us roll back.
void quietExec(sqlite3* db, const std::string& sql) {
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}
}  // namespace

Transaction::Transaction(Connection& conn) : conn_(conn) {
    if (!conn.isOpen()) return;
    outer_ = !conn.inTransaction();
    // IMMEDIATE takes the write lock up front, so a busy file makes us wait
    // (busy timeout) at the start instead of failing half way.
    active_ = outer_ ? conn.exec("BEGIN IMMEDIATE")
                     : conn.exec((std::string("SAVEPOINT ") + kSavepoint).c_str());
    // Checked under the write lock, so nobody can change the file between
    // the check and our commit.
    if (active_ && outer_ && conn.writeCheck_ && !conn.writeCheck_(conn)) {
        rollback();
        ++conn.errorCount_;
        conn.errorCode_ = kStaleWrite;
        conn.errorMessage_ = "the file was changed by another program since it was read";
    }
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::commit() {
    if (!active_) return false;
    bool done =
        outer_ ? conn_.exec("COMMIT") : conn_.exec((std::string("RELEASE ") + kSavepoint).c_str());
    if (!done) {
        rollback();
        return false;
    }
    active_ = false;
    return true;
}

void Transaction::rollback() {
    if (!active_) return;
    active_ = false;
    sqlite3* db = conn_.handle();
    if (!db) return;
    if (outer_) {
        // SQLite may already have rolled back by itself after some errors.
        if (sqlite3_get_autocommit(db) == 0) quietExec(db, "ROLLBACK");
    } else {
        quietExec(db, std::string("ROLLBACK TO ") + kSavepoint);
        quietExec(db, std::string("RELEASE ") + kSavepoint);
    }
}

PageCheck quickCheck(Connection& db) {
    PageCheck check;
    Statement pragma(db, "PRAGMA quick_check");
    std::vector<std::string> lines;
    for (;;) {
        const auto step = pragma.step();
        if (step == Statement::Step::Error) {
            check.message = db.errorMessage();
            // SQLite reports some damage as an error of the check itself.
            if (db.errorCode() == SQLITE_CORRUPT) check.result = PageCheck::Result::Damaged;
            return check;
        }
        if (step == Statement::Step::Done) break;
        // A row may hold several findings, one a line, under a heading.
        const std::string row = pragma.columnText(0);
        for (std::size_t at = 0; at <= row.size();) {
            std::size_t end = row.find('\n', at);
            if (end == std::string::npos) end = row.size();
            const std::string line = row.substr(at, end - at);
            if (!line.empty() && line.rfind("*** in database", 0) != 0) lines.push_back(line);
            at = end + 1;
        }
    }
    if (lines.size() == 1 && lines.front() == "ok") {
        check.result = PageCheck::Result::Healthy;
        return check;
    }
    check.result = PageCheck::Result::Damaged;
    for (std::size_t i = 0; i < lines.size() && i < 3; ++i) {
        if (i) check.message += "; ";
        check.message += lines[i];
    }
    if (check.message.empty()) check.message = "quick_check gave no answer";
    return check;
}

}  // namespace korvex::sql
