#include "CupsRasterFns.h"
#include "ProcessRunner.h"
#include "TestFiles.h"

#include <plat/Exception.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A one-page, two-pixel RGB raster stream in the native byte order,
// uncompressed. The sync word is a native unsigned int: that tells the
// reader the byte order.
std::string rasterStream()
{
  cups_page_header2_t h;
  memset(&h, 0, sizeof(h));
  h.HWResolution[0] = h.HWResolution[1] = 100;
  h.cupsWidth = 2;
  h.cupsHeight = 1;
  h.cupsBitsPerColor = 8;
  h.cupsBitsPerPixel = 24;
  h.cupsBytesPerLine = 6;
  h.cupsColorOrder = CUPS_ORDER_CHUNKED;
  h.cupsColorSpace = CUPS_CSPACE_RGB;
  unsigned sync = CUPS_RASTER_SYNC;
  return std::string((const char*)&sync, 4) +
         std::string((const char*)&h, sizeof(h)) + "\1\2\3\4\5\6";
}

// Whether this process may make a private mount namespace.
bool canUnshareMounts()
{
  pid_t pid = fork();
  if (pid == 0)
    _exit(unshare(CLONE_NEWNS) == 0 ? 0 : 1);
  int status;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Runs in a fresh process: hides libcupsimage.so.2 behind an empty file in
// a private mount namespace, then calls the first wrapper.
void callWithLibraryHidden()
{
  void* h = dlopen("libcupsimage.so.2", RTLD_LAZY);
  struct link_map* map = nullptr;
  if (!h || dlinfo(h, RTLD_DI_LINKMAP, &map) != 0) {
    fprintf(stderr, "cannot locate the library\n");
    _exit(2);
  }
  std::string path = map->l_name;
  dlclose(h);
  h = dlopen("libcupsimage.so.2", RTLD_LAZY | RTLD_NOLOAD);
  if (h || unshare(CLONE_NEWNS) != 0 ||
      mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("/dev/null", path.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    fprintf(stderr, "cannot hide the library\n");
    _exit(2);
  }
  try {
    cupsraster::cupsRasterOpen(0, CUPS_RASTER_READ);
    fprintf(stderr, "bound\n");
  } catch (const plat::Exception& e) {
    fprintf(stderr, "[%s] [%s]\n", e.message(), e.typeName());
  }
  _exit(0);
}

} // namespace

TEST(CupsRasterFns, ReadARasterStreamThroughTheLibrary)
{
  jextest::TempDir dir;
  int fd = open(jextest::writeFile(dir.file("job"), rasterStream()).c_str(),
                O_RDONLY | O_CLOEXEC);
  cups_raster_t* r = cupsraster::cupsRasterOpen(fd, CUPS_RASTER_READ);
  ASSERT_NE(r, nullptr);
  cups_page_header_t h;
  ASSERT_NE(cupsraster::cupsRasterReadHeader(r, &h), 0u);
  EXPECT_EQ(h.cupsWidth, 2u);
  EXPECT_EQ(h.cupsBytesPerLine, 6u);
  unsigned char line[6] = {};
  EXPECT_EQ(cupsraster::cupsRasterReadPixels(r, line, 6), 6u);
  EXPECT_EQ(line[5], 6);
  EXPECT_EQ(cupsraster::cupsRasterReadHeader(r, &h), 0u);
  cupsraster::cupsRasterClose(r);
  close(fd);
}

TEST(CupsRasterFnsDeathTest, MissingLibraryThrowsOnCall)
{
#ifdef JEX_TEST_EMULATED
  GTEST_SKIP() << "needs a fresh copy of the test program, which the "
                  "emulated build cannot exec";
#endif
  if (!canUnshareMounts())
    GTEST_SKIP() << "hiding the library needs a private mount namespace";
  // A fresh copy of the program, so that the library is not loaded yet.
  std::string style = GTEST_FLAG_GET(death_test_style);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(callWithLibraryHidden(), ::testing::ExitedWithCode(0),
              "\\[Function cupsRasterOpen not found in cupsimage\\[2\\] "
              "library\\] \\[DynamicFnLoadFailed\\]");
  GTEST_FLAG_SET(death_test_style, style);
}

#ifdef JEX_BINARY
TEST(CupsRasterFns, BackendDoesNotLinkTheLibrary)
{
  std::string out = jextest::runProcess({"readelf", "-d", JEX_BINARY}).out;
  EXPECT_NE(out.find("NEEDED"), std::string::npos);
  EXPECT_EQ(out.find("cupsimage"), std::string::npos) << out;
}
#endif
