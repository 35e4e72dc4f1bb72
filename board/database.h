// One connection to the board's database, SQLite or PostgreSQL, behind one small interface: the
// store's statements are written once, and every value a client sent reaches them only as a bound
// parameter.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace skelvar::board {

enum class Dialect { Sqlite, Postgres };

// A statement the connection prepares once and keeps: `slot` indexes its cache, and the text is
// the one of the connection's dialect. Parameters are $1, $2, ... numbered in order of first use.
struct Statement {
  int slot;
  const char* sqlite;
  const char* postgres;  // null where the text is the same as SQLite's
};
inline constexpr int MaxStatements = 64;

using Param = std::variant<int64_t, std::string_view>;

// The rows a statement gave, read as text or integers.
class Rows {
 public:
  int Count() const { return columns_ == 0 ? 0 : static_cast<int>(cells_.size()) / columns_; }
  bool Empty() const { return cells_.empty(); }
  bool Null(int row, int column) const { return nulls_[Index(row, column)]; }
  const std::string& Text(int row, int column) const { return cells_[Index(row, column)]; }
  int64_t Int(int row, int column) const;

  // For the connections that fill it.
  void Reset(int columns);
  void Add(std::string_view text, bool null);

 private:
  std::size_t Index(int row, int column) const {
    return static_cast<std::size_t>(row) * columns_ + column;
  }
  int columns_ = 0;
  std::vector<std::string> cells_;
  std::vector<bool> nulls_;
};

// A database error: the statement failed or the connection is gone.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Database {
 public:
  virtual ~Database() = default;
  virtual Dialect Kind() const = 0;
  // Plain statements without parameters: the schema, BEGIN, COMMIT.
  virtual void Exec(std::string_view sql) = 0;
  // The statement run with its parameters; its rows are left in `rows`.
  virtual void Run(const Statement& statement, std::initializer_list<Param> params, Rows& rows) = 0;
  void Run(const Statement& statement, std::initializer_list<Param> params) {
    Rows ignored;
    Run(statement, params, ignored);
  }
  // Opens a write transaction: serialised with every other writer on the database.
  virtual void BeginWrite() = 0;
  virtual void Commit() { Exec("COMMIT"); }
  virtual void Rollback() = 0;
  // Housekeeping between transactions: SQLite copies its log back into the database here, on a
  // thread of its own, rather than in the middle of a commit that a client waits for.
  virtual void Maintain() {}
};

// `target` is a PostgreSQL URL (postgresql://... or postgres://...) or a SQLite file name.
std::unique_ptr<Database> OpenDatabase(const std::string& target);
bool IsPostgresUrl(std::string_view target);

std::unique_ptr<Database> OpenSqlite(const std::string& file);
std::unique_ptr<Database> OpenPostgres(const std::string& url);

}  // namespace skelvar::board
