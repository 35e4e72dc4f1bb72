// The board on SQLite: write-ahead log, full sync, one prepared statement per slot.
#include <sqlite3.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "board/database.h"

namespace skelvar::board {
namespace {

struct CloseDb {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using SqliteHandle = std::unique_ptr<sqlite3, CloseDb>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

class SqliteDatabase final : public Database {
 public:
  explicit SqliteDatabase(const std::string& file) {
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(file.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK) {
      throw DatabaseError("cannot open " + file + ": " +
                          (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    }
    // Another process (an operator command beside the server) waits for the lock, not fails.
    sqlite3_busy_timeout(db_.get(), 10000);
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=ON");
    Exec("PRAGMA wal_autocheckpoint=0");
  }

  Dialect Kind() const override { return Dialect::Sqlite; }

  void Exec(std::string_view sql) override {
    std::string text(sql);
    char* message = nullptr;
    if (sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string why = message ? message : sqlite3_errmsg(db_.get());
      sqlite3_free(message);
      throw DatabaseError("SQLite: " + why);
    }
  }

  void Run(const Statement& statement, std::initializer_list<Param> params, Rows& rows) override {
    sqlite3_stmt* prepared = Prepared(statement);
    const std::vector<int>& positions = positions_[statement.slot];
    if (params.size() != positions.size()) throw DatabaseError("SQLite: wrong parameter count");
    std::size_t number = 0;
    for (const Param& param : params) {
      int index = positions[number++];
      int rc = std::holds_alternative<int64_t>(param)
                   ? sqlite3_bind_int64(prepared, index, std::get<int64_t>(param))
                   : sqlite3_bind_text64(prepared, index, std::get<std::string_view>(param).data(),
                                         std::get<std::string_view>(param).size(), SQLITE_STATIC,
                                         SQLITE_UTF8);
      if (rc != SQLITE_OK) Fail(prepared);
    }
    rows.Reset(sqlite3_column_count(prepared));
    for (;;) {
      int rc = sqlite3_step(prepared);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) Fail(prepared);
      for (int column = 0; column < sqlite3_column_count(prepared); ++column) {
        const unsigned char* text = sqlite3_column_text(prepared, column);
        int size = sqlite3_column_bytes(prepared, column);
        rows.Add(
            text ? std::string_view(reinterpret_cast<const char*>(text), size) : std::string_view(),
            text == nullptr);
      }
    }
    sqlite3_reset(prepared);
    sqlite3_clear_bindings(prepared);
  }

  void BeginWrite() override { Exec("BEGIN IMMEDIATE"); }
  void Maintain() override {
    sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  }
  void Rollback() override {
    if (!sqlite3_get_autocommit(db_.get())) sqlite3_exec(db_.get(), "ROLLBACK", 0, 0, 0);
  }

 private:
  sqlite3_stmt* Prepared(const Statement& statement) {
    StatementHandle& slot = statements_.at(statement.slot);
    if (!slot) {
      sqlite3_stmt* prepared = nullptr;
      if (sqlite3_prepare_v3(db_.get(), statement.sqlite, -1, SQLITE_PREPARE_PERSISTENT, &prepared,
                             nullptr) != SQLITE_OK) {
        throw DatabaseError(std::string("SQLite: ") + sqlite3_errmsg(db_.get()));
      }
      slot.reset(prepared);
      // SQLite numbers the parameters in the order they first appear; $N is bound by its name.
      std::vector<int>& positions = positions_[statement.slot];
      positions.assign(sqlite3_bind_parameter_count(prepared), 0);
      for (int index = 1; index <= static_cast<int>(positions.size()); ++index) {
        const char* name = sqlite3_bind_parameter_name(prepared, index);
        int number = name && name[0] == '$' ? std::atoi(name + 1) : 0;
        if (number < 1 || number > static_cast<int>(positions.size())) {
          throw DatabaseError("SQLite: parameters must be $1, $2, ...");
        }
        positions[number - 1] = index;
      }
    }
    return slot.get();
  }

  [[noreturn]] void Fail(sqlite3_stmt* prepared) {
    std::string why = sqlite3_errmsg(db_.get());
    sqlite3_reset(prepared);
    sqlite3_clear_bindings(prepared);
    throw DatabaseError("SQLite: " + why);
  }

  // Declared first, destroyed last: the statements are finalised before the database closes.
  SqliteHandle db_;
  std::array<StatementHandle, MaxStatements> statements_;
  std::array<std::vector<int>, MaxStatements> positions_;
};

}  // namespace

std::unique_ptr<Database> OpenSqlite(const std::string& file) {
  return std::make_unique<SqliteDatabase>(file);
}

}  // namespace skelvar::board
