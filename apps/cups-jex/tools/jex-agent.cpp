// jex-agent: a minimal session agent, for the demo and the job tests.
//
//   jex-agent [--name NAME] [--count N] [--no-read] [--decode DIR]
//
// Listens on the per-user socket the backend computes for this user and
// agent name (/tmp/.jex-<euid>/print.<NAME>, default name "agent"), prints
// "listening <path>" on stdout once it accepts connections, then serves N
// hand-offs (default 1). For each it prints the manifest path it received
// and the manifest itself, then decodes every ZRLE page file listed and
// prints its size and header; with --decode it also writes each page as
// DIR/page-<i>.ppm.
// --no-read accepts one connection and never reads from it: it waits for
// standard input to close, then exits.
//
// Exit status 0 when every hand-off was read (and decoded) cleanly.

#include <io/UnixIo.h>
#include <os/AppInfo.h>
#include <os/SocketUtil.h>
#include <plat/DString.h>
#include <plat/Exception.h>
#include <plat/String.h>
#include <rdr/FileInStream.h>
#include <rfb/ManagedPixelBuffer.h>
#include <rfbdec/PageFile.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
  const char* name = "agent";
  int count = 1;
  bool noRead = false;
  const char* decodeDir = nullptr;
};

class Listener {
public:
  explicit Listener(const char* path) : path_(path)
  {
    sockaddr_un addr;
    memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    if (strlen(path) >= sizeof(addr.sun_path))
      throw plat::SystemException("listen path", ENAMETOOLONG);
    strcpy(addr.sun_path, path);
    unlink(path);
    fd_ = os::createSocket(AF_UNIX, SOCK_STREAM, 0);
    if (fd_ < 0)
      throw plat::SystemException("socket", errno);
    if (bind(fd_, (sockaddr*)&addr, sizeof(addr)) != 0 || listen(fd_, 8) != 0) {
      int err = errno;
      close(fd_);
      throw plat::SystemException("bind/listen", err);
    }
  }
  ~Listener()
  {
    close(fd_);
    unlink(path_.c_str());
  }
  int accept()
  {
    for (;;) {
      int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0)
        return fd;
      if (errno != EINTR)
        throw plat::SystemException("accept", errno);
    }
  }

private:
  std::string path_;
  int fd_;
};

// The "FileN=" values of a manifest, in order.
std::vector<std::string> listedFiles(const std::string& manifest)
{
  std::vector<std::string> files;
  size_t pos = 0;
  while (pos < manifest.size()) {
    size_t eol = manifest.find('\n', pos);
    if (eol == std::string::npos)
      eol = manifest.size();
    std::string line = manifest.substr(pos, eol - pos);
    if (line.compare(0, 4, "File") == 0 && line.find('=') != std::string::npos)
      files.push_back(line.substr(line.find('=') + 1));
    pos = eol + 1;
  }
  return files;
}

std::string readWholeFile(const char* path)
{
  FILE* f = fopen(path, "rbe");
  if (!f)
    throw plat::SystemExceptionFmt("open(\"%s\")", errno, path);
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
    text.append(buf, n);
  fclose(f);
  return text;
}

void decodePage(const std::string& path, const char* dir, int index)
{
  rfb::PageFile page = rfb::PageFile::load(path.c_str());
  const rfb::PageFile::Header& h = page.header();
  rfb::ManagedPixelBuffer pixels(rfb::PageFile::pixelFormat(), (int)h.width,
                                 (int)h.height);
  page.decode(pixels);
  printf("page %d: %ux%u pixels, %u x %u tenths of mm, paper %u\n", index,
         h.width, h.height, h.physWidth, h.physHeight, h.paperCode);
  if (!dir)
    return;
  plat::String out = plat::String::format("%s/page-%d.ppm", dir, index);
  FILE* f = fopen(out.c_str(), "wbe");
  if (!f)
    throw plat::SystemExceptionFmt("open(\"%s\")", errno, out.c_str());
  fprintf(f, "P6\n%u %u\n255\n", h.width, h.height);
  for (int y = 0; y < (int)h.height; y++) {
    for (int x = 0; x < (int)h.width; x++) {
      uint32_t p = pixels.getPixel(x, y);
      unsigned char rgb[3] = {(unsigned char)(p >> 16), (unsigned char)(p >> 8),
                              (unsigned char)p};
      fwrite(rgb, 1, 3, f);
    }
  }
  fclose(f);
}

void serveOne(int fd, const Options& opt)
{
  os::UnixIo conn(nullptr, fd, 0);
  rdr::InStream& in = conn.getInStream();
  plat::DString manifestPath;
  in.readString32(manifestPath, 4096);
  printf("received %s\n", manifestPath.c_str());
  std::string manifest = readWholeFile(manifestPath.c_str());
  fputs(manifest.c_str(), stdout);
  std::vector<std::string> files = listedFiles(manifest);
  for (size_t i = 0; i < files.size(); i++) {
    const std::string& f = files[i];
    if (f.size() > 5 && f.compare(f.size() - 5, 5, ".zrle") == 0)
      decodePage(f, opt.decodeDir, (int)i);
  }
  fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
  Options opt;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--name") && i + 1 < argc)
      opt.name = argv[++i];
    else if (!strcmp(argv[i], "--count") && i + 1 < argc)
      opt.count = atoi(argv[++i]);
    else if (!strcmp(argv[i], "--no-read"))
      opt.noRead = true;
    else if (!strcmp(argv[i], "--decode") && i + 1 < argc)
      opt.decodeDir = argv[++i];
    else {
      fprintf(stderr, "usage: jex-agent [--name NAME] [--count N] [--no-read]"
                      " [--decode DIR]\n");
      return 2;
    }
  }

  try {
    // The same identity as the backend, so both derive the same path.
    os::AppInfo::set("print", "Tessaro", "jex", nullptr, nullptr);
    os::AppInfo::userTmpDir(nullptr); // makes the private directory
    plat::String path =
        os::AppInfo::userIpcPath(opt.name, nullptr, nullptr, 0, -1);
    Listener listener(path.c_str());
    printf("listening %s\n", path.c_str());
    fflush(stdout);

    if (opt.noRead) {
      int fd = listener.accept();
      printf("accepted, not reading\n");
      fflush(stdout);
      char c;
      while (read(0, &c, 1) > 0) {
      }
      close(fd);
      return 0;
    }
    for (int i = 0; i < opt.count; i++)
      serveOne(listener.accept(), opt);
  } catch (plat::Exception& e) {
    fprintf(stderr, "jex-agent: %s\n", e.message());
    return 1;
  }
  return 0;
}
