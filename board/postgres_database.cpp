// The board on PostgreSQL through libpq: statements prepared once per connection, parameters sent
// as text beside the statement, never inside it.
#include <libpq-fe.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "board/database.h"

namespace skelvar::board {
namespace {

struct FinishConnection {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
struct ClearResult {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgHandle = std::unique_ptr<PGconn, FinishConnection>;
using ResultHandle = std::unique_ptr<PGresult, ClearResult>;

// Every server on one database takes this lock for each write transaction, so that the order of
// commits is the order of the runs' sequence numbers and no two writers wait on each other.
constexpr const char* WriteLock = "SELECT pg_advisory_xact_lock(5386172501)";

void IgnoreNotice(void*, const char*) {}

class PostgresDatabase final : public Database {
 public:
  explicit PostgresDatabase(const std::string& url) : connection_(PQconnectdb(url.c_str())) {
    if (!connection_ || PQstatus(connection_.get()) != CONNECTION_OK) {
      throw DatabaseError("cannot connect to PostgreSQL: " + LastError());
    }
    PQsetNoticeProcessor(connection_.get(), IgnoreNotice, nullptr);
    Exec("SET TIME ZONE 'UTC'");
  }

  Dialect Kind() const override { return Dialect::Postgres; }

  void Exec(std::string_view sql) override {
    std::string text(sql);
    ResultHandle result(PQexec(connection_.get(), text.c_str()));
    Check(result.get());
  }

  void Run(const Statement& statement, std::initializer_list<Param> params, Rows& rows) override {
    Prepare(statement);
    std::array<std::string, 16> numbers;
    std::array<const char*, 16> values{};
    std::array<int, 16> lengths{};
    std::size_t index = 0;
    for (const Param& param : params) {
      if (index == values.size()) throw DatabaseError("too many parameters");
      // Text goes with its length; the callers refuse text holding a NUL before it gets here.
      numbers[index] = std::holds_alternative<int64_t>(param)
                           ? std::to_string(std::get<int64_t>(param))
                           : std::string(std::get<std::string_view>(param));
      values[index] = numbers[index].c_str();
      lengths[index] = static_cast<int>(numbers[index].size());
      ++index;
    }
    ResultHandle result(PQexecPrepared(connection_.get(), Name(statement.slot).c_str(),
                                       static_cast<int>(index), values.data(), lengths.data(),
                                       nullptr, 0));
    Check(result.get());
    int columns = PQnfields(result.get());
    rows.Reset(columns);
    for (int row = 0; row < PQntuples(result.get()); ++row) {
      for (int column = 0; column < columns; ++column) {
        bool null = PQgetisnull(result.get(), row, column);
        rows.Add(null ? std::string_view()
                      : std::string_view(PQgetvalue(result.get(), row, column),
                                         PQgetlength(result.get(), row, column)),
                 null);
      }
    }
  }

  void BeginWrite() override {
    Exec("BEGIN");
    Exec(WriteLock);
  }
  void Rollback() override {
    if (PQstatus(connection_.get()) == CONNECTION_OK &&
        PQtransactionStatus(connection_.get()) != PQTRANS_IDLE) {
      ResultHandle result(PQexec(connection_.get(), "ROLLBACK"));
    }
  }

 private:
  static std::string Name(int slot) { return "s" + std::to_string(slot); }

  void Prepare(const Statement& statement) {
    if (prepared_.at(statement.slot)) return;
    const char* text = statement.postgres ? statement.postgres : statement.sqlite;
    ResultHandle result(
        PQprepare(connection_.get(), Name(statement.slot).c_str(), text, 0, nullptr));
    Check(result.get());
    prepared_[statement.slot] = true;
  }

  std::string LastError() const {
    std::string why = connection_ ? PQerrorMessage(connection_.get()) : "out of memory";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    return why;
  }

  void Check(PGresult* result) {
    ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
    std::string why = result ? PQresultErrorMessage(result) : LastError();
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    if (PQstatus(connection_.get()) != CONNECTION_OK) {
      // The server went away: the next statement finds a fresh connection with nothing prepared.
      PQreset(connection_.get());
      prepared_.fill(false);
    }
    throw DatabaseError("PostgreSQL: " + why);
  }

  PgHandle connection_;
  std::array<bool, MaxStatements> prepared_{};
};

}  // namespace

std::unique_ptr<Database> OpenPostgres(const std::string& url) {
  return std::make_unique<PostgresDatabase>(url);
}

}  // namespace skelvar::board
