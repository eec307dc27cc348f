#pragma once

// The text of database/schema/sqlite.sql: the statements that create the patient database's
// tables on SQLite. For the tools and tests that create databases; the module never does.
const char* SqliteSchema();
