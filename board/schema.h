// The board's schema as numbered steps: a database at step N gets the steps after N, each in the
// transaction that records it, so that servers starting together migrate it once.
#pragma once

#include "board/database.h"

namespace skelvar::board {

// Applies the missing steps; returns the step the database is at.
int MigrateSchema(Database& db);

}  // namespace skelvar::board
