#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Makes `folder` the station user's alone: created 0700 with its entry synced into its parent
// (what a new study needs to survive a power loss), or an existing one set to 0700 (older
// stations made them 0755). The fault, or nullopt.
std::optional<std::string> MakePrivateFolder(const std::filesystem::path& folder);
