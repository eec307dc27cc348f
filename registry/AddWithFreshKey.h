#pragma once

#include <string>

#include "qnutilex/QnAdo.h"

// Adds a row whose key is drawn from what the database holds (today's next patient
// identifier, a study's start second), where another station sharing the database may draw the
// same key at the same moment: the row class's Add then fails on the key, and the row is drawn
// again and added anew, so that both stations' rows land, under distinct keys.
//
// `drawKey(row, attempt)` sets the row's key before each attempt (attempt 0 first). The adding
// stops at the first success, at a failure that is not a key another row now holds (the
// database is down, a text is refused), or after `attempts` conflicts. Returns 1 when the row
// was added, as Add does; otherwise `refusal` holds the database's reason for the last Add (the
// look for the key's holder that follows a failed Add must not replace it).
template <class Row, class DrawKey>
int AddWithFreshKey(Row& row, DrawKey drawKey, std::string& refusal, int attempts = 20) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    drawKey(row, attempt);
    if (row.Add()) return 1;
    refusal = row.GetDataBase() ? row.GetDataBase()->GetLastErrorString().GetString() : "no database";
    Row stored(row);
    if (!stored.Get()) return 0;
  }
  return 0;
}
