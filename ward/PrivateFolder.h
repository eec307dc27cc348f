#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Puts `folder`'s entries (a file or folder created in it, a rename) on the disk.
bool SyncFolder(const std::filesystem::path& folder);
// Makes `folder` the station user's alone: created 0700 with its entry synced into its parent
// (what a new study needs to survive a power loss), or an existing one set to 0700 (older
// stations made them 0755). The fault, or nullopt.
std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder);
