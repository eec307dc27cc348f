#pragma once

// The texts of database/schema/sqlite.sql and postgresql.sql: the statements that create the
// patient database's tables on each engine. For the tools and tests that create databases; the
// module never does.
const char* SqliteSchema();
const char* PostgresqlSchema();
// The schema for the engine that a connection string names (sqlite: or a PostgreSQL server).
const char* SchemaFor(const char* uri);
