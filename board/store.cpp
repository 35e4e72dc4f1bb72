#include "board/store.h"

#include <algorithm>
#include <utility>

#include "board/schema.h"

namespace skelvar::board {
namespace {

// Slots 0 and 1 are the schema's.
constexpr Statement RunById{2, "SELECT seq, ticks, player, logic FROM runs WHERE id = $1", nullptr};
constexpr Statement PlayerByName{3, "SELECT id, key_hash FROM players WHERE folded = $1", nullptr};
constexpr Statement AddPlayer{
    4, "INSERT INTO players (folded, name, key_hash, created) VALUES ($1, $2, $3, $4) RETURNING id",
    nullptr};
constexpr Statement AddRun{5,
                           "INSERT INTO runs (id, player, logic, ticks, code, at) "
                           "VALUES ($1, $2, $3, $4, $5, $6) RETURNING seq",
                           nullptr};
constexpr Statement BestOf{6, "SELECT ticks, seq FROM best WHERE logic = $1 AND player = $2",
                           nullptr};
constexpr Statement AddBest{
    7, "INSERT INTO best (logic, player, ticks, seq) VALUES ($1, $2, $3, $4)", nullptr};
constexpr Statement SetBest{
    8, "UPDATE best SET ticks = $3, seq = $4 WHERE logic = $1 AND player = $2", nullptr};
constexpr Statement DropBest{9, "DELETE FROM best WHERE logic = $1 AND player = $2", nullptr};
constexpr Statement Count{10,
                          "INSERT INTO tick_counts (logic, ticks, players) VALUES ($1, $2, $3) "
                          "ON CONFLICT (logic, ticks) DO UPDATE "
                          "SET players = tick_counts.players + excluded.players",
                          nullptr};
// Everyone on a faster tick value, then those on the same value who were committed first.
constexpr Statement Rank{
    11,
    "SELECT (SELECT CAST(COALESCE(SUM(players), 0) AS BIGINT) FROM tick_counts "
    "WHERE logic = $1 AND ticks < $2) + "
    "(SELECT COUNT(*) FROM best WHERE logic = $1 AND ticks = $2 AND seq < $3)",
    nullptr};
constexpr Statement PageAfter{
    12,
    "SELECT b.ticks, b.seq, p.name, r.id, r.at FROM best b "
    "JOIN players p ON p.id = b.player JOIN runs r ON r.seq = b.seq "
    "WHERE b.logic = $1 AND (b.ticks, b.seq) > ($2, $3) ORDER BY b.ticks, b.seq LIMIT $4",
    nullptr};
constexpr Statement PageBefore{13,
                               "SELECT b.ticks, b.seq, p.name, r.id, r.at FROM best b "
                               "JOIN players p ON p.id = b.player JOIN runs r ON r.seq = b.seq "
                               "WHERE b.logic = $1 AND (b.ticks, b.seq) < ($2, $3) "
                               "ORDER BY b.ticks DESC, b.seq DESC LIMIT $4",
                               nullptr};
constexpr Statement BestByName{14,
                               "SELECT b.ticks, b.seq FROM players p JOIN best b "
                               "ON b.player = p.id AND b.logic = $2 WHERE p.folded = $1",
                               nullptr};
constexpr Statement CodeById{15, "SELECT code FROM runs WHERE id = $1 AND hidden = 0", nullptr};
constexpr Statement RunsFrom{
    16, "SELECT seq, id, code, logic, ticks FROM runs WHERE seq > $1 ORDER BY seq LIMIT $2",
    nullptr};
constexpr Statement RunToHide{17, "SELECT seq, player, logic, hidden FROM runs WHERE id = $1",
                              nullptr};
constexpr Statement HideRun{18, "UPDATE runs SET hidden = 1 WHERE seq = $1", nullptr};
constexpr Statement NextBest{19,
                             "SELECT ticks, seq FROM runs WHERE player = $1 AND logic = $2 "
                             "AND hidden = 0 ORDER BY ticks, seq LIMIT 1",
                             nullptr};
constexpr Statement HidePlayerRuns{20, "UPDATE runs SET hidden = 1 WHERE player = $1", nullptr};
constexpr Statement BestsOfPlayer{21, "SELECT logic, ticks FROM best WHERE player = $1", nullptr};
constexpr Statement DropBests{22, "DELETE FROM best WHERE player = $1", nullptr};
constexpr Statement FreeName{23, "UPDATE players SET folded = NULL WHERE id = $1", nullptr};
constexpr Statement PlayerCount{24, "SELECT COUNT(*) FROM players", nullptr};
constexpr Statement SeedPlayerRows{
    25,
    "WITH RECURSIVE n(i) AS (SELECT CAST(1 AS BIGINT) UNION ALL SELECT i + 1 FROM n WHERE i < $1) "
    "INSERT INTO players (folded, name, key_hash, created) "
    "SELECT 'seed' || i, 'seed' || i, 'seeded', 0 FROM n",
    nullptr};
constexpr Statement SeedRuns{
    26,
    "INSERT INTO runs (id, player, logic, ticks, code, at) "
    "SELECT 'seeded-' || id, id, CAST($1 AS BIGINT), 300 + (id * 7919) % 2700, 'seeded', "
    "CAST($2 AS BIGINT) FROM players",
    nullptr};
constexpr Statement SeedBests{
    27, "INSERT INTO best (logic, player, ticks, seq) SELECT logic, player, ticks, seq FROM runs",
    nullptr};
constexpr Statement ClearCounts{28, "DELETE FROM tick_counts WHERE logic = $1", nullptr};
constexpr Statement RecountCounts{29,
                                  "INSERT INTO tick_counts (logic, ticks, players) "
                                  "SELECT logic, ticks, COUNT(*) FROM best WHERE logic = $1 "
                                  "GROUP BY logic, ticks",
                                  nullptr};
constexpr Statement SchemaStepNow{30, "SELECT COALESCE(MAX(step), 0) FROM board_schema", nullptr};
// A best just committed is the last of its tick value: everyone up to its value is before it.
constexpr Statement RankOfNewest{
    31,
    "SELECT CAST(COALESCE(SUM(players), 0) AS BIGINT) FROM tick_counts "
    "WHERE logic = $1 AND ticks <= $2",
    nullptr};

// Runs a write transaction, rolled back if anything in it throws.
template <typename Body>
void InWrite(Database& db, Body&& body) {
  db.BeginWrite();
  try {
    body();
    db.Commit();
  } catch (...) {
    db.Rollback();
    throw;
  }
}

}  // namespace

Store::Store(std::unique_ptr<Database> database, bool migrate) : db_(std::move(database)) {
  if (migrate) MigrateSchema(*db_);
}

int Store::SchemaStep() {
  db_->Run(SchemaStepNow, {}, rows_);
  return static_cast<int>(rows_.Int(0, 0));
}

int64_t Store::RankOf(int64_t logic, Place place) {
  db_->Run(Rank, {logic, place.ticks, place.seq}, rows_);
  return rows_.Int(0, 0) + 1;
}

void Store::AddCount(int64_t logic, int64_t ticks, int64_t players) {
  db_->Run(Count, {logic, ticks, players});
}

void Store::Keep(std::span<const NewRun> runs, std::span<Kept> kept) {
  InWrite(*db_, [&] {
    for (std::size_t i = 0; i < runs.size(); ++i) {
      const NewRun& run = runs[i];
      Kept& out = kept[i];
      out = Kept{};
      out.id = run.id;

      db_->Run(RunById, {std::string_view(run.id)}, rows_);
      if (!rows_.Empty()) {
        // Kept before, whoever sent it: its first sender keeps it.
        out.as = KeptAs::Already;
        out.ticks = rows_.Int(0, 1);
        int64_t player = rows_.Int(0, 2);
        int64_t logic = rows_.Int(0, 3);
        db_->Run(BestOf, {logic, player}, rows_);
        if (!rows_.Empty()) out.rank = RankOf(logic, {rows_.Int(0, 0), rows_.Int(0, 1)});
        continue;
      }

      int64_t player = 0;
      db_->Run(PlayerByName, {std::string_view(run.folded)}, rows_);
      if (rows_.Empty()) {
        db_->Run(AddPlayer,
                 {std::string_view(run.folded), std::string_view(run.name),
                  std::string_view(run.keyHash), run.at},
                 rows_);
        player = rows_.Int(0, 0);
      } else if (rows_.Text(0, 1) != run.keyHash) {
        out.as = KeptAs::NameTaken;
        continue;
      } else {
        player = rows_.Int(0, 0);
      }

      db_->Run(AddRun,
               {std::string_view(run.id), player, run.logic, run.ticks, std::string_view(run.code),
                run.at},
               rows_);
      Place mine{run.ticks, rows_.Int(0, 0)};
      out.ticks = run.ticks;

      db_->Run(BestOf, {run.logic, player}, rows_);
      if (rows_.Empty()) {
        db_->Run(AddBest, {run.logic, player, mine.ticks, mine.seq});
        AddCount(run.logic, mine.ticks, 1);
      } else if (Place old{rows_.Int(0, 0), rows_.Int(0, 1)}; mine.ticks < old.ticks) {
        db_->Run(SetBest, {run.logic, player, mine.ticks, mine.seq});
        AddCount(run.logic, old.ticks, -1);
        AddCount(run.logic, mine.ticks, 1);
      } else {
        out.rank = RankOf(run.logic, old);
        continue;
      }
      db_->Run(RankOfNewest, {run.logic, mine.ticks}, rows_);
      out.rank = rows_.Int(0, 0);
    }
  });
}

std::vector<Entry> Store::Entries(const Rows& rows, int64_t firstRank, int count) {
  std::vector<Entry> entries;
  entries.reserve(count);
  for (int row = 0; row < count; ++row) {
    entries.push_back(Entry{firstRank + row,
                            {rows.Int(row, 0), rows.Int(row, 1)},
                            rows.Text(row, 2),
                            rows.Text(row, 3),
                            rows.Int(row, 4)});
  }
  return entries;
}

Page Store::Board(int64_t logic, Place after, int limit) {
  Page page;
  db_->Run(PageAfter, {logic, after.ticks, after.seq, int64_t{limit} + 1}, rows_);
  int count = std::min(rows_.Count(), limit);
  if (count == 0) return page;
  Rows found = std::move(rows_);
  int64_t first = RankOf(logic, {found.Int(0, 0), found.Int(0, 1)});
  page.entries = Entries(found, first, count);
  if (found.Count() > limit) page.next = page.entries.back().place;
  rows_ = std::move(found);
  return page;
}

std::optional<Around> Store::AroundPlayer(int64_t logic, std::string_view folded, int each) {
  db_->Run(BestByName, {folded, logic}, rows_);
  if (rows_.Empty()) return std::nullopt;
  Place place{rows_.Int(0, 0), rows_.Int(0, 1)};
  Around around;
  around.rank = RankOf(logic, place);

  db_->Run(PageBefore, {logic, place.ticks, place.seq, int64_t{each}}, rows_);
  int before = rows_.Count();
  around.entries = Entries(rows_, 0, before);
  std::reverse(around.entries.begin(), around.entries.end());
  for (int i = 0; i < before; ++i) around.entries[i].rank = around.rank - before + i;

  // The player's own entry and those after it: a page that starts just before the player.
  db_->Run(PageAfter, {logic, place.ticks, place.seq - 1, int64_t{each} + 1}, rows_);
  for (Entry& entry : Entries(rows_, around.rank, rows_.Count())) {
    around.entries.push_back(std::move(entry));
  }
  return around;
}

std::optional<std::string> Store::Code(std::string_view id) {
  db_->Run(CodeById, {id}, rows_);
  if (rows_.Empty()) return std::nullopt;
  return rows_.Text(0, 0);
}

std::vector<StoredRun> Store::RunsAfter(int64_t seq, int limit) {
  db_->Run(RunsFrom, {seq, int64_t{limit}}, rows_);
  std::vector<StoredRun> runs;
  for (int row = 0; row < rows_.Count(); ++row) {
    runs.push_back(StoredRun{rows_.Int(row, 0), rows_.Text(row, 1), rows_.Text(row, 2),
                             rows_.Int(row, 3), rows_.Int(row, 4)});
  }
  return runs;
}

void Store::TakeBest(int64_t logic, int64_t player) {
  db_->Run(NextBest, {player, logic}, rows_);
  if (rows_.Empty()) return;
  Place next{rows_.Int(0, 0), rows_.Int(0, 1)};
  db_->Run(AddBest, {logic, player, next.ticks, next.seq});
  AddCount(logic, next.ticks, 1);
}

bool Store::Hide(std::string_view id) {
  bool found = false;
  InWrite(*db_, [&] {
    db_->Run(RunToHide, {id}, rows_);
    if (rows_.Empty() || rows_.Int(0, 3) != 0) return;
    found = true;
    int64_t seq = rows_.Int(0, 0);
    int64_t player = rows_.Int(0, 1);
    int64_t logic = rows_.Int(0, 2);
    db_->Run(HideRun, {seq});
    db_->Run(BestOf, {logic, player}, rows_);
    if (rows_.Empty() || rows_.Int(0, 1) != seq) return;
    // It was the player's best: their next best takes its place.
    AddCount(logic, rows_.Int(0, 0), -1);
    db_->Run(DropBest, {logic, player});
    TakeBest(logic, player);
  });
  return found;
}

bool Store::DropPlayer(std::string_view folded) {
  bool found = false;
  InWrite(*db_, [&] {
    db_->Run(PlayerByName, {folded}, rows_);
    if (rows_.Empty()) return;
    found = true;
    int64_t player = rows_.Int(0, 0);
    db_->Run(HidePlayerRuns, {player});
    db_->Run(BestsOfPlayer, {player}, rows_);
    Rows bests = std::move(rows_);
    for (int row = 0; row < bests.Count(); ++row) {
      AddCount(bests.Int(row, 0), bests.Int(row, 1), -1);
    }
    db_->Run(DropBests, {player});
    db_->Run(FreeName, {player});
  });
  return found;
}

void Store::SeedPlayers(int64_t logic, int64_t count) {
  InWrite(*db_, [&] {
    db_->Run(PlayerCount, {}, rows_);
    if (rows_.Int(0, 0) != 0)
      throw DatabaseError("--seed-players needs a database with no players");
    db_->Run(SeedPlayerRows, {count});
    db_->Run(SeedRuns, {logic, int64_t{0}});
    db_->Run(SeedBests, {});
    db_->Run(ClearCounts, {logic});
    db_->Run(RecountCounts, {logic});
  });
  // The planners learn how large the tables have become.
  db_->Exec("ANALYZE");
}

}  // namespace skelvar::board
