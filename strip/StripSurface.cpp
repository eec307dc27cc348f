#include "strip/StripSurface.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr double kPointsPerInch = 72;

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The output is StripSurface::Output, a file and its failure flag.
template <class Output>
cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length) {
  auto* output = static_cast<Output*>(closure);
  if (!output->file || !output->file->write(reinterpret_cast<const char*>(data), length)) {
    output->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::optional<StripFormat> StripSurface::FormatOf(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return std::nullopt;
  const std::string extension = Lowered(path.substr(dot));
  if (extension == ".pdf") return StripFormat::Pdf;
  if (extension == ".svg") return StripFormat::Svg;
  if (extension == ".png") return StripFormat::Png;
  return std::nullopt;
}

StripSurface::StripSurface(std::string path, StripFormat format, double width, double height)
    : m_path(std::move(path)), m_format(format), m_width(width), m_height(height) {}

StripSurface::~StripSurface() { DestroySurface(); }

std::string StripSurface::PagePath(int page) const {
  if (page == 1) return m_path;
  const std::size_t dot = m_path.find_last_of('.');
  return m_path.substr(0, dot) + "-" + std::to_string(page) + m_path.substr(dot);
}

std::optional<std::string> StripSurface::OpenFile(const std::string& path) {
  FileReplacement& file = m_replacements.emplace_back(path);
  if (std::optional<std::string> fault = file.Open()) {
    m_replacements.pop_back();
    return fault;
  }
  m_output.file = &file.Stream();
  m_files.push_back(path);
  m_output.failed = false;
  return std::nullopt;
}

std::optional<std::string> StripSurface::CloseFile() {
  if (!m_output.file) return std::nullopt;
  m_output.file = nullptr;
  const std::optional<std::string> closed = m_replacements.back().Close();
  if (m_output.failed || closed) return "cannot write " + m_files.back();
  return std::nullopt;
}

std::optional<std::string> StripSurface::FaultOf(int status, const std::string& doing) const {
  if (m_output.failed || status == CAIRO_STATUS_WRITE_ERROR) return "cannot write " + m_files.back();
  if (status == CAIRO_STATUS_SUCCESS) return std::nullopt;
  return doing + ": " + cairo_status_to_string(static_cast<cairo_status_t>(status));
}

void StripSurface::DestroySurface() {
  if (m_context) cairo_destroy(m_context);
  if (m_surface) cairo_surface_destroy(m_surface);
  m_context = nullptr;
  m_surface = nullptr;
}

std::optional<std::string> StripSurface::Open() {
  if (std::optional<std::string> fault = OpenFile(m_path)) return fault;
  if (m_format != StripFormat::Pdf) return std::nullopt;
  m_surface = cairo_pdf_surface_create_for_stream(WriteToFile<Output>, &m_output,
                                                  m_width, m_height);
  return FaultOf(cairo_surface_status(m_surface), "cannot start the PDF");
}

_cairo* StripSurface::BeginPage() {
  ++m_pages;
  m_pageFault.reset();
  if (m_pages > 1 && m_format != StripFormat::Pdf) {
    if ((m_pageFault = OpenFile(PagePath(m_pages)))) return nullptr;
  }
  double scale = 1;
  if (m_format == StripFormat::Svg) {
    m_surface = cairo_svg_surface_create_for_stream(WriteToFile<Output>, &m_output,
                                                    m_width, m_height);
    cairo_svg_surface_set_document_unit(m_surface, CAIRO_SVG_UNIT_PT);
  } else if (m_format == StripFormat::Png) {
    scale = kPngDotsPerInch / kPointsPerInch;
    m_surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(m_width * scale)),
                                           static_cast<int>(std::ceil(m_height * scale)));
  }
  m_context = cairo_create(m_surface);
  cairo_scale(m_context, scale, scale);
  return m_context;
}

std::optional<std::string> StripSurface::EndPage() {
  if (m_pageFault) return m_pageFault;
  std::optional<std::string> fault = FaultOf(cairo_status(m_context), "cannot draw the page");
  cairo_destroy(m_context);
  m_context = nullptr;
  if (m_format == StripFormat::Pdf) {
    cairo_surface_show_page(m_surface);
    if (!fault) fault = FaultOf(cairo_surface_status(m_surface), "cannot write the page");
    return fault;
  }
  if (m_format == StripFormat::Png && !fault) {
    const cairo_status_t written =
        cairo_surface_write_to_png_stream(m_surface, WriteToFile<Output>, &m_output);
    fault = FaultOf(written, "cannot encode the PNG");
  }
  cairo_surface_finish(m_surface);
  if (!fault) fault = FaultOf(cairo_surface_status(m_surface), "cannot write the page");
  DestroySurface();
  const std::optional<std::string> closed = CloseFile();
  return fault ? fault : closed;
}

std::optional<std::string> StripSurface::Close() {
  std::optional<std::string> fault;
  if (m_surface) {
    cairo_surface_finish(m_surface);
    fault = FaultOf(cairo_surface_status(m_surface), "cannot finish the document");
  }
  DestroySurface();
  const std::optional<std::string> closed = CloseFile();
  if (fault || closed) return fault ? fault : closed;
  // The first page last: a reader that sees it sees every page.
  for (auto file = m_replacements.rbegin(); file != m_replacements.rend(); ++file) {
    if (std::optional<std::string> committed = file->Commit()) return committed;
  }
  return std::nullopt;
}

void StripSurface::Discard() {
  DestroySurface();
  m_output.file = nullptr;
  m_replacements.clear();
  m_files.clear();
}
