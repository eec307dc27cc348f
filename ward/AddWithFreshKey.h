#pragma once

// Adds a row whose key is drawn from what the database holds (today's next patient
// identifier, a study's start second), where another station sharing the database may draw the
// same key at the same moment: the row class's Add then fails on the key, and the row is drawn
// again and added anew, so that both stations' rows land, under distinct keys.
//
// `drawKey(row, attempt)` sets the row's key before each attempt (attempt 0 first). The adding
// stops at the first success, at a failure that is not a key another row now holds (the
// database is down, a text is refused), or after `attempts` conflicts. Returns 1 when the row
// was added, as Add does.
template <class Row, class DrawKey>
int AddWithFreshKey(Row& row, DrawKey drawKey, int attempts = 20) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    drawKey(row, attempt);
    if (row.Add()) return 1;
    Row stored(row);
    if (!stored.Get()) return 0;
  }
  return 0;
}
