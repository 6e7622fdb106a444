// Speed and peak memory of page delivery: an A4 sample page at 300 and 600
// dpi is encoded as a page file, then a child process (so that its peak
// resident set is the delivery's own) decodes it into a PNG, a PDF page,
// or both at once as the agent does, a few times over.
//
//   jexagent_bench [repeats]     (default 3)
//
// The child's peak resident set includes what it shares with the parent
// at the fork (its code and the few MB the parent holds then).

#include "FileUtil.h"
#include "PageOutput.h"
#include "PdfWriter.h"
#include "PngWriter.h"

#include <SamplePattern.h>
#include <plat/time.h>
#include <rdr/FdInStream.h>
#include <rdr/FileOutStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfb/PageFileFormat.h>
#include <rfbdec/PageReader.h>
#include <rfbenc/PageEncoder.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writePageFile(const std::string& path, int w, int h, int dpi)
{
  rfb::ManagedPixelBuffer pb(rfb::PageFile::pixelFormat(), w, h);
  int stride;
  uint8_t* p = pb.getPixelsRW(pb.getRect(), &stride);
  for (int y = 0; y < h; y++) {
    uint32_t* row = reinterpret_cast<uint32_t*>(p) + size_t(y) * stride;
    for (int x = 0; x < w; x++) {
      uint8_t rgb[3];
      jextools::samplePixel(0, unsigned(x), unsigned(y), rgb);
      row[x] = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
    }
  }
  rdr::FileOutStream out(path.c_str());
  out.writeU32(uint32_t(w));
  out.writeU32(uint32_t(h));
  out.writeU32(uint32_t(w * 254.0 / dpi + 0.5));
  out.writeU32(uint32_t(h * 254.0 / dpi + 0.5));
  out.writeU32(9);
  out.writeU32(rfb::pagefile::ConstantValue);
  rfb::encodePage(out, pb);
  out.flush();
}

enum Mode { Png = 1, Pdf = 2, Both = 3 };

// In a child: delivers the page `repeats` times; prints nothing.
void deliverChild(const std::string& page, const std::string& dir, Mode mode,
                  int repeats)
{
  agent::FdGuard in(open(page.c_str(), O_RDONLY | O_CLOEXEC));
  std::string pdfPath = dir + "/bench.pdf", pngPath = dir + "/bench.png";
  unlink(pdfPath.c_str());
  agent::PdfWriter* pdf = nullptr;
  if (mode & Pdf)
    pdf = new agent::PdfWriter(
        open(pdfPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  for (int i = 0; i < repeats; i++) {
    lseek(in.get(), 0, SEEK_SET);
    rdr::FdInStream file(in.get());
    rfb::PageReader pf(file);
    const rfb::PageFile::Header& h = pf.header();
    agent::FdGuard out;
    agent::PngWriter* png = nullptr;
    if (mode & Png) {
      out.reset(open(pngPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                     0600));
      png = new agent::PngWriter(out.get(), h.width, h.height, h.physWidth,
                                 h.physHeight);
    }
    agent::renderPage(pf, png, pdf);
    delete png;
  }
  if (pdf) {
    pdf->finish();
    delete pdf;
  }
}

void measure(const char* label, const std::string& page, const std::string& dir,
             Mode mode, int repeats)
{
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    try {
      deliverChild(page, dir, mode, repeats);
    } catch (const plat::Exception& e) {
      fprintf(stderr, "%s\n", e.message());
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage ru;
  wait4(pid, &status, 0, &ru);
  double s =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0)
          .count();
  // CPU time as well: on a shared machine the wall clock says little.
  double cpu = ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 +
               ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
  static const char* names[] = {"", "PNG", "PDF", "PNG+PDF"};
  printf("%-8s %-8s %6.2f pages/s (%6.2f per CPU second)  peak RSS %6.1f "
         "MB%s\n",
         label, names[mode], repeats / s, repeats / cpu, ru.ru_maxrss / 1024.0,
         WIFEXITED(status) && WEXITSTATUS(status) == 0 ? "" : "  FAILED");
}

} // namespace

int main(int argc, char** argv)
{
  int repeats = argc > 1 ? atoi(argv[1]) : 3;
  char tmpl[] = "/tmp/jexagent-bench-XXXXXX";
  if (!mkdtemp(tmpl))
    return 1;
  std::string dir = tmpl;
  static const struct {
    const char* label;
    int w, h, dpi;
  } pages[] = {{"300 dpi", 2480, 3508, 300}, {"600 dpi", 4960, 7016, 600}};
  for (const auto& p : pages) {
    std::string page = dir + "/page.zrle";
    writePageFile(page, p.w, p.h, p.dpi);
    for (Mode m : {Png, Pdf, Both})
      measure(p.label, page, dir, m, repeats);
  }
  for (const char* f : {"page.zrle", "bench.png", "bench.pdf"})
    unlink((dir + "/" + f).c_str());
  rmdir(dir.c_str());
  return 0;
}
