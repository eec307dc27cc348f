#pragma once

#include <map>
#include <string>

#include "tools/CommandLine.h"

// What `vudoda db` is asked to do.
struct DbOptions {
  std::string action;    // "init", "patients", "add-user", ...
  std::string database;  // --database URI; empty: the default database
  std::string initUri;   // init's URI operand; empty: --database or the default
  std::string copyFrom, copyTo;  // copy's operands
  std::string where;     // the listings' condition; empty: every row
  // The values of the add actions and check-user by option or operand name ("--first",
  // "ID"), only those given.
  std::map<std::string, std::string> values;
};

// `vudoda db ACTION [OPTIONS]`: the patient database through the row classes.
//   init [URI]                 creates the tables (a new file readable by its owner only)
//   patients|studies|users     lists the rows (studies with their patients), --where CONDITION
//   add-patient|add-study|add-user  adds one row; identifiers from GetUniqueId and
//                              SetStartTime unless given; a password is stored as its
//                              PasswordHash
//   copy FROM_URI TO_URI       copies patients, studies and users (DatabaseCopy); the rows
//                              refused for other content under their keys are listed
//   check-user ID              whether the password read (ReadPassword) is the user's:
//                              kExitOk when it is, kExitFailure otherwise
// Every action takes --database URI; without it the default database (StationDatabase::DefaultUri).
// Its run returns kExitFailure when the database refuses.
void DefineDb(CLI::App& command, CommandRun& run);

