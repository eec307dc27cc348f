#pragma once

// ADO's cursor and lock choices, with ADO's values. The database component keeps every
// recordset on the client (all rows known after the open), so these are accepted as callers
// pass them and change nothing in how rows are read or written.
enum CursorTypeEnum {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3,
};

enum LockTypeEnum {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4,
};
