#include "TestPages.h"

#include <Delivery.h>
#include <FileUtil.h>
#include <JobManifest.h>
#include <PageOutput.h>
#include <PdfWriter.h>
#include <PngWriter.h>
#include <ProcessTest.h>

#include <plat/Exception.h>
#include <rdr/MemInStream.h>
#include <rfbdec/PageReader.h>

#include <gtest/gtest.h>

#include <fcntl.h>

using namespace agenttest;
using jextest::readFile;
using jextest::TempDir;

namespace {

// The backend's own manifests go through the process tests; these are what
// a hostile client could hand over instead.
TEST(JobManifest, RefusesWhatTheBackendNeverWrites)
{
  const char* head = "[Document]\nName=x\n[Device]\nDeviceName=q\n";
  for (std::string bad : {
           std::string("%PDF-1.4 not an INI file"),
           std::string(head) + "[PDF]\nCount=1\nFile0=/a\nstray line\n",
           std::string(head) + "[ZRLE]\nCount=3\nFile0=/a\n",
           std::string(head) + "[ZRLE]\nCount=-1\n",
           std::string(head) + "[ZRLE]\nCount=1\nFile1=/a\n",
           std::string(head) + "[PDF]\nCount=2\nFile0=/a\nFile1=/b\n",
           std::string(head) + "[PS]\nCount=0\n[PDF]\nCount=0\n",
           std::string("[Document]\nName=x\n[PDF]\nCount=1\nFile0=/a\n"),
       }) {
    EXPECT_THROW(agent::JobManifest::parse(bad), plat::Exception) << bad;
  }
}

TEST(Delivery, FolderNamesAreSafe)
{
  EXPECT_EQ(agent::Delivery::safeName("a/b\nc"), "a_b_c");
  EXPECT_EQ(agent::Delivery::safeName("../.."), "_.."); // "." and ".." gone
  EXPECT_EQ(agent::Delivery::safeName(" ..."), "job");
  // 99 bytes and a two-byte character: cut before the character.
  std::string longTitle = std::string(99, 'x') + "\xc3\xa9";
  EXPECT_EQ(agent::Delivery::safeName(longTitle), std::string(99, 'x'));
}

// Cut anywhere, or followed by anything, a page file is an error, never a
// crash or a short page.
TEST(PageOutput, DamagedPageFilesAreRefused)
{
  std::string good = pageFile(0, 70, 90);
  for (size_t cut : {size_t(0), size_t(23), size_t(30), good.size() / 2,
                     good.size() - 1, good.size() + 1}) {
    std::string bytes = cut > good.size() ? good + "x" : good.substr(0, cut);
    rdr::MemInStream in(bytes.data(), bytes.size());
    EXPECT_THROW(
        {
          rfb::PageReader page(in);
          agent::renderPage(page, nullptr, nullptr);
        },
        plat::Exception)
        << cut;
  }
}

// A three-band page (130 x 150) through both writers: the PNG holds the
// exact pixels and the resolution, the PDF is well-formed.
TEST(PageOutput, PngIsPixelExactAndPdfIsWellFormed)
{
  TempDir dir;
  std::string pdfPath = dir.file("out.pdf");
  {
    agent::PdfWriter pdf(agent::createFileAt(AT_FDCWD, pdfPath));
    for (int n = 0; n < 2; n++) {
      std::string bytes = pageFile(n, 130, 150, 110, 127); // 300 dpi
      rdr::MemInStream in(bytes.data(), bytes.size());
      rfb::PageReader page(in);
      std::string pngPath = dir.file("p" + std::to_string(n) + ".png");
      agent::FdGuard fd(agent::createFileAt(AT_FDCWD, pngPath));
      agent::PngWriter png(fd.get(), 130, 150, 110, 127);
      agent::renderPage(page, &png, &pdf);
      Png read = readPng(pngPath);
      ASSERT_EQ(read.width * read.height, 130u * 150);
      EXPECT_EQ(wrongPixels(read, n), 0) << "page " << n;
      // pHYs: 11818 pixels a metre (130 px in 11 mm) both ways, in metres.
      EXPECT_NE(readFile(pngPath).find(std::string("pHYs\0\0\x2e\x2a", 8)),
                std::string::npos);
    }
    pdf.finish();
  }

  // Every cross-reference entry points at its object.
  std::string pdf = readFile(pdfPath);
  size_t xref = std::stoul(pdf.substr(pdf.rfind("startxref\n") + 10));
  ASSERT_EQ(pdf.compare(xref, 5, "xref\n"), 0);
  size_t at = pdf.find('\n', xref + 5) + 1 + 20; // after entry 0
  for (int obj = 1; pdf.compare(at, 7, "trailer") != 0; obj++, at += 20) {
    size_t off = std::stoul(pdf.substr(at, 10));
    std::string head = std::to_string(obj) + " 0 obj";
    EXPECT_EQ(pdf.compare(off, head.size(), head), 0) << head;
  }

  if (system("command -v pdfinfo >/dev/null") != 0)
    GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
  std::string cmd = "pdfinfo " + pdfPath +
                    " | grep -Eq '^Pages: +2$' && "
                    "pdfinfo " +
                    pdfPath + " | grep -q '31.18 x 36 pts'";
  EXPECT_EQ(system(cmd.c_str()), 0);
}

} // namespace
