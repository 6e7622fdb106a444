// agent::JobManifest: what the backend's INI manifest says about a job.
//
//   [Document]            Name=<title>
//   [Device]              DeviceName=<queue>
//   [ZRLE] / [PS] / [PDF] Count=<n>, File0=<path> ... File<n-1>=<path>
//
// The manifest comes from a file another process wrote, so parsing is
// strict: every line must be a section header or Name=value, the three
// sections must be there, exactly one format section, and the count must
// match the files listed.
#pragma once

#include <string>
#include <vector>

namespace agent {

struct JobManifest {
  enum Format { Raster, Pdf, PostScript };

  // Throws plat::Exception "manifest: ..." for anything else.
  static JobManifest parse(const std::string& text);

  // The extension a document of this format is delivered with.
  static const char* extension(Format f);

  std::string title;
  std::string device;
  Format format = Raster;
  std::vector<std::string> files;
};

} // namespace agent
