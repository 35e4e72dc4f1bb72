// What the board keeps: players, their runs and each player's best per logic version, with a
// count of players per tick value so that a rank is a short sum rather than a scan. The same
// statements run on SQLite and PostgreSQL.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "board/database.h"

namespace skelvar::board {

// A verified run of the board's logic version, with the player who sent it.
struct NewRun {
  std::string id;    // the verdict's id, SHA-256 hex of the canonical run
  std::string code;  // the run re-encoded in the current format
  int64_t logic = 0;
  int64_t ticks = 0;
  std::string name;     // as shown, NFKC
  std::string folded;   // as compared: NFKC and case-folded
  std::string keyHash;  // SHA-256 hex of the player's key
  int64_t at = 0;       // milliseconds since 1970, UTC
};

enum class KeptAs { Added, Already, NameTaken };

struct Kept {
  KeptAs as = KeptAs::Added;
  std::string id;
  int64_t ticks = 0;
  std::optional<int64_t> rank;  // the player's place on their logic version's board
};

// A place on the board, as a page continues after it.
struct Place {
  int64_t ticks = -1;
  int64_t seq = -1;
};

struct Entry {
  int64_t rank = 0;
  Place place;
  std::string name;
  std::string id;
  int64_t at = 0;
};

struct Page {
  std::vector<Entry> entries;
  std::optional<Place> next;
};

struct Around {
  int64_t rank = 0;
  std::vector<Entry> entries;
};

struct StoredRun {
  int64_t seq = 0;
  std::string id;
  std::string code;
  int64_t logic = 0;
  int64_t ticks = 0;
};

class Store {
 public:
  // Creates or migrates the schema by its numbered steps, unless another connection has.
  explicit Store(std::unique_ptr<Database> database, bool migrate = true);

  Dialect Kind() const { return db_->Kind(); }

  // Keeps the runs in one transaction; `kept[i]` answers `runs[i]`. Throws DatabaseError, in
  // which case nothing of the batch was kept.
  void Keep(std::span<const NewRun> runs, std::span<Kept> kept);

  Page Board(int64_t logic, Place after, int limit);
  std::optional<Around> AroundPlayer(int64_t logic, std::string_view folded, int each);
  std::optional<std::string> Code(std::string_view id);

  // The operator's commands.
  std::vector<StoredRun> RunsAfter(int64_t seq, int limit);
  bool Hide(std::string_view id);
  bool DropPlayer(std::string_view folded);
  // Seeds `count` made-up players with a best run each, onto a board with no players yet.
  void SeedPlayers(int64_t logic, int64_t count);

  int SchemaStep();
  void Maintain() { db_->Maintain(); }

 private:
  int64_t RankOf(int64_t logic, Place place);
  void AddCount(int64_t logic, int64_t ticks, int64_t players);
  void TakeBest(int64_t logic, int64_t player);
  std::vector<Entry> Entries(const Rows& rows, int64_t firstRank, int count);

  std::unique_ptr<Database> db_;
  Rows rows_;
};

}  // namespace skelvar::board
