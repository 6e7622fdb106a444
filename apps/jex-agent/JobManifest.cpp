#include "JobManifest.h"

#include <plat/Exception.h>
#include <plat/parseNum.h>

#include <map>

namespace agent {

namespace {

// More pages than any printer dialogue will send; keeps a forged count from
// costing anything.
const unsigned MaxFiles = 10000;

} // namespace

const char* JobManifest::extension(Format f)
{
  return f == Pdf ? "pdf" : f == PostScript ? "ps" : "zrle";
}

JobManifest JobManifest::parse(const std::string& text)
{
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::map<std::string, std::string>* current = nullptr;
  size_t pos = 0, lineNo = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos)
      eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    lineNo++;
    if (line.find('\0') != std::string::npos)
      throw plat::ExceptionFmt("manifest: line %zu holds a zero byte", lineNo);
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      current = &sections[line.substr(1, line.size() - 2)];
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos || eq == 0)
      throw plat::ExceptionFmt("manifest: line %zu is not INI", lineNo);
    (*current)[line.substr(0, eq)] = line.substr(eq + 1);
  }

  JobManifest m;
  auto need = [&](const char* section, const char* key) -> std::string& {
    auto s = sections.find(section);
    if (s == sections.end() || !s->second.count(key))
      throw plat::ExceptionFmt("manifest: no %s in [%s]", key, section);
    return s->second[key];
  };
  m.title = need("Document", "Name");
  m.device = need("Device", "DeviceName");

  static const struct {
    const char* name;
    Format format;
  } formats[] = {{"ZRLE", Raster}, {"PDF", Pdf}, {"PS", PostScript}};
  const char* formatName = nullptr;
  for (const auto& f : formats) {
    if (!sections.count(f.name))
      continue;
    if (formatName)
      throw plat::Exception("manifest: more than one format");
    formatName = f.name;
    m.format = f.format;
  }
  if (!formatName)
    throw plat::Exception("manifest: no format section");

  const std::string& countText = need(formatName, "Count");
  const char* p = countText.c_str();
  uint32_t count = 0;
  if (countText.empty() || countText[0] < '0' || countText[0] > '9' ||
      !plat::tryParseU32(count, p, 10) || *p || count > MaxFiles)
    throw plat::Exception("manifest: bad Count");
  if (m.format != Raster && count != 1)
    throw plat::Exception("manifest: a document job lists one file");
  if (sections[formatName].size() != count + 1)
    throw plat::Exception("manifest: Count does not match the files");
  for (unsigned i = 0; i < count; i++)
    m.files.push_back(need(formatName, ("File" + std::to_string(i)).c_str()));
  return m;
}

} // namespace agent
