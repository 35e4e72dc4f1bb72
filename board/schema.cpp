#include "board/schema.h"

#include <array>
#include <string>

namespace skelvar::board {
namespace {

struct Step {
  const char* sqlite;
  const char* postgres;
};

// Never edit a step that has shipped: add the next one.
constexpr std::array<Step, 1> Steps{{
    {R"sql(
CREATE TABLE players (
  id INTEGER PRIMARY KEY,
  folded TEXT UNIQUE,
  name TEXT NOT NULL,
  key_hash TEXT NOT NULL,
  created BIGINT NOT NULL);
CREATE TABLE runs (
  seq INTEGER PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  player BIGINT NOT NULL REFERENCES players (id),
  logic BIGINT NOT NULL,
  ticks BIGINT NOT NULL,
  code TEXT NOT NULL,
  at BIGINT NOT NULL,
  hidden INTEGER NOT NULL DEFAULT 0);
CREATE INDEX runs_by_player ON runs (player, logic, hidden, ticks, seq);
CREATE TABLE best (
  logic BIGINT NOT NULL,
  player BIGINT NOT NULL REFERENCES players (id),
  ticks BIGINT NOT NULL,
  seq BIGINT NOT NULL REFERENCES runs (seq),
  PRIMARY KEY (logic, player));
CREATE UNIQUE INDEX best_in_order ON best (logic, ticks, seq, player);
CREATE TABLE tick_counts (
  logic BIGINT NOT NULL,
  ticks BIGINT NOT NULL,
  players BIGINT NOT NULL,
  PRIMARY KEY (logic, ticks));
)sql",
     R"sql(
CREATE TABLE players (
  id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  folded TEXT UNIQUE,
  name TEXT NOT NULL,
  key_hash TEXT NOT NULL,
  created BIGINT NOT NULL);
CREATE TABLE runs (
  seq BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  id TEXT NOT NULL UNIQUE,
  player BIGINT NOT NULL REFERENCES players (id),
  logic BIGINT NOT NULL,
  ticks BIGINT NOT NULL,
  code TEXT NOT NULL,
  at BIGINT NOT NULL,
  hidden INTEGER NOT NULL DEFAULT 0);
CREATE INDEX runs_by_player ON runs (player, logic, hidden, ticks, seq);
CREATE TABLE best (
  logic BIGINT NOT NULL,
  player BIGINT NOT NULL REFERENCES players (id),
  ticks BIGINT NOT NULL,
  seq BIGINT NOT NULL REFERENCES runs (seq),
  PRIMARY KEY (logic, player));
CREATE UNIQUE INDEX best_in_order ON best (logic, ticks, seq, player);
CREATE TABLE tick_counts (
  logic BIGINT NOT NULL,
  ticks BIGINT NOT NULL,
  players BIGINT NOT NULL,
  PRIMARY KEY (logic, ticks));
)sql"},
}};

constexpr Statement CurrentStep{0, "SELECT COALESCE(MAX(step), 0) FROM board_schema", nullptr};
constexpr Statement RecordStep{1, "INSERT INTO board_schema (step, applied) VALUES ($1, $2)",
                               nullptr};

}  // namespace

int MigrateSchema(Database& db) {
  db.BeginWrite();
  try {
    db.Exec("CREATE TABLE IF NOT EXISTS board_schema (step INTEGER PRIMARY KEY, applied BIGINT)");
    Rows rows;
    db.Run(CurrentStep, {}, rows);
    int step = static_cast<int>(rows.Int(0, 0));
    if (step > static_cast<int>(Steps.size())) {
      throw DatabaseError("the database was made by a newer board (schema step " +
                          std::to_string(step) + ")");
    }
    for (; step < static_cast<int>(Steps.size()); ++step) {
      const Step& next = Steps[step];
      db.Exec(db.Kind() == Dialect::Sqlite ? next.sqlite : next.postgres);
      db.Run(RecordStep, {int64_t{step + 1}, int64_t{0}});
    }
    db.Commit();
    return step;
  } catch (...) {
    db.Rollback();
    throw;
  }
}

}  // namespace skelvar::board
