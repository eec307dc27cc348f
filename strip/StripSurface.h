#pragma once

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "recording/FileReplacement.h"
#include "strip/StripApi.h"

struct _cairo;
struct _cairo_surface;

// The file formats of a strip, told by the output's extension.
enum class StripFormat { Pdf, Svg, Png };

// Where the pages of a strip go, one drawing context per page, sized in points. A PDF holds
// every page; SVG and PNG hold one page a file: the first page goes to the path itself, page n
// to the path with "-n" before the extension (strip.svg, strip-2.svg, …). A PNG is rendered at
// kPngDotsPerInch. Writes go through this object, so a full disk or a lost file is a fault, not
// a silently short file. The files replace the old ones at their paths only when the document
// closes without a fault (see FileReplacement), the first page last, so that a reader watching
// the folder who sees the first page sees every page; until then, and after a fault, the old
// ones stay as they were.
class VUDODA_STRIP_API StripSurface {
 public:
  static constexpr double kPngDotsPerInch = 150;

  // The format of a path's extension (.pdf, .svg, .png, any case), or nullopt.
  static std::optional<StripFormat> FormatOf(const std::string& path);

  StripSurface(std::string path, StripFormat format, double width, double height);
  StripSurface(const StripSurface&) = delete;
  StripSurface& operator=(const StripSurface&) = delete;
  ~StripSurface();

  // Creates the first file; the fault (naming the file) when it cannot be created.
  std::optional<std::string> Open();
  // A drawing context for the next page, in points from the page's top left; valid until
  // EndPage. nullptr, with the fault kept for EndPage, when the page's file cannot be created.
  _cairo* BeginPage();
  // Ends the page: the fault of its drawing or its writing, or nullopt.
  std::optional<std::string> EndPage();
  // Ends the document and puts its files in place. The fault, or nullopt.
  std::optional<std::string> Close();
  // Drops every file written, after a fault: the old files stay as they were.
  void Discard();

  int PageCount() const { return m_pages; }
  const std::vector<std::string>& Files() const { return m_files; }

 private:
  std::string PagePath(int page) const;
  std::optional<std::string> OpenFile(const std::string& path);
  std::optional<std::string> CloseFile();
  std::optional<std::string> FaultOf(int status, const std::string& doing) const;
  void DestroySurface();

  std::string m_path;
  StripFormat m_format;
  double m_width;
  double m_height;
  // The file being written and whether a write to it failed; cairo writes through it.
  struct Output {
    std::ostream* file = nullptr;
    bool failed = false;
  };

  Output m_output;
  std::deque<FileReplacement> m_replacements;  // one a file; a deque keeps m_output.file valid
  _cairo_surface* m_surface = nullptr;
  _cairo* m_context = nullptr;
  std::optional<std::string> m_pageFault;
  int m_pages = 0;
  std::vector<std::string> m_files;
};
