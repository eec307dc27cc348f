#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hospital/EmrFolderOptions.h"
#include "hospital/EmrStudy.h"
#include "hospital/HospitalApi.h"
#include "hospital/Offload.h"

// Puts the whole strip of a finished study into the EMR folder, for the hospital's record
// system to file.
//
// The file is named so that a record system can match it to its patient and study:
//   <patient ID>_<study ID>_<start>.<pdf|png|svg>
// the start being the local wall time with its UTC offset, "20261025T023000+0100", so that the
// hour a DST change repeats gives two names. In the IDs every byte other than A-Z, a-z, 0-9 and
// "-" (after conversion to UTF-8) is written %XX in hex, "_" and "%" included, so the three
// parts always split at "_" and a name holds nothing a file system or a share refuses.
//
// The image type ("EMR Image Type") chooses the format: 0 PDF (every page in the one file),
// 1 PNG and 2 SVG (a file a page: the first page has the name itself, page n has "-n" before the
// extension); any other code is refused with a fault naming the three. Every file is written
// under a temporary name beginning ".tmp-" in the same folder, synced, renamed into place (the
// first page last), and the folder synced: a record system watching the folder never sees part
// of a file, and never the first page before the others.
class VUDODA_HOSPITAL_API EmrFolder {
 public:
  using Done = std::function<void(std::optional<std::string> fault, std::vector<std::string> files)>;

  EmrFolder(EmrFolderOptions options, Offload offload);

  // The file name of `study`'s strip (first page) with `extension` ("pdf").
  static std::string FileName(const EmrStudy& study, const std::string& extension);
  // The extension of an image type code, or nullopt for an unknown code.
  static std::optional<std::string> ExtensionOf(int imageType);

  // Writes the strip at once, on the calling thread: the files written, or the fault (then no
  // file of it is left, in place or temporary).
  static std::optional<std::string> Write(const EmrFolderOptions& options, const EmrStudy& study,
                                          std::vector<std::string>& files);
  // Write, through the offload; `done` runs on the loop.
  void Export(EmrStudy study, Done done);

 private:
  EmrFolderOptions m_options;
  Offload m_offload;
};
