#include "board/database.h"

#include <charconv>

namespace skelvar::board {

int64_t Rows::Int(int row, int column) const {
  const std::string& text = Text(row, column);
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) {
    throw DatabaseError("the database answered a number that is not one: " + text);
  }
  return value;
}

void Rows::Reset(int columns) {
  columns_ = columns;
  cells_.clear();
  nulls_.clear();
}

void Rows::Add(std::string_view text, bool null) {
  cells_.emplace_back(text);
  nulls_.push_back(null);
}

bool IsPostgresUrl(std::string_view target) {
  return target.starts_with("postgresql://") || target.starts_with("postgres://");
}

std::unique_ptr<Database> OpenDatabase(const std::string& target) {
  return IsPostgresUrl(target) ? OpenPostgres(target) : OpenSqlite(target);
}

}  // namespace skelvar::board
