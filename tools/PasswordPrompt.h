#pragma once

#include <optional>
#include <string>

#include "tools/CommandLine.h"

// Reads one password line. When the command reads the process's standard input and that is a
// terminal, it asks on the error stream and reads with the echo off, restoring the terminal
// afterwards; otherwise (a pipe, a file, a test's stream) it reads a line of `io.in`. A
// trailing carriage return is dropped. nullopt at the end of the input.
std::optional<std::string> ReadPassword(ToolIo& io);
