#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "recording/RecordingApi.h"

// File operations that are on the disk when they return, on files that hold patient data and
// are therefore created readable and writable by their owner only (0600): for a study's recording, the hospital
// side's queue and its record of taken messages, and every file replaced whole. Each returns nullopt when done, or the fault
// naming the file and the system's reason. They block on the disk: call them off the loop.
class VUDODA_RECORDING_API DurableFile {
 public:
  // Replaces (or creates) `path` with `bytes` at once (FileReplacement): a reader sees the old
  // file or the new one, never part of either; a crash leaves at most a temporary file beside it.
  static std::optional<std::string> WriteWhole(const std::string& path, std::string_view bytes);
  // Appends `bytes` to `path` (created when missing, its folder then synced) and syncs it.
  static std::optional<std::string> Append(const std::string& path, std::string_view bytes);
  // Renames `from` to `to` and syncs the folders of both.
  static std::optional<std::string> Rename(const std::string& from, const std::string& to);
  // Removes `path` and syncs its folder.
  static std::optional<std::string> Remove(const std::string& path);
  // Syncs the file, or the folder, at `path`.
  static std::optional<std::string> Sync(const std::string& path);
  // The whole of `path`, or nullopt with `fault`.
  static std::optional<std::string> Read(const std::string& path, std::string& fault);
  // The folder part of `path` ("." for a bare name).
  static std::string FolderOf(const std::string& path);
};
