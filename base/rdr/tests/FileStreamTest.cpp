#include "TestStreams.h"

#include <rdr/FileInStream.h>
#include <rdr/FileOutStream.h>

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using rdrtest::thrownMessage;

namespace {

TEST(FileStreams, RoundTrip)
{
  testutil::TempDir tmp;
  std::string path = tmp.file("f");
  auto data = rdrtest::pattern(100000);
  {
    rdr::FileOutStream out(path.c_str());
    out.writeU32(0xfeedf00d);
    out.writeBytes(data.data(), data.size());
  } // the destructor flushes
  for (int bufSize : {1, 9, -1}) {
    rdr::FileInStream in(path.c_str(), plat::FilePtr::Read, 0, bufSize);
    EXPECT_EQ(in.readU32(), 0xfeedf00du);
    std::vector<uint8_t> got(data.size());
    in.readBytes(got.data(), got.size());
    EXPECT_EQ(got, data);
    EXPECT_EQ(thrownMessage<rdr::EndOfStream>([&] { in.readU8(); }),
              "End of file");
  }
}

TEST(FileOutStream, FullDiskFailsAtFlush)
{
  if (access("/dev/full", W_OK) != 0)
    GTEST_SKIP() << "no /dev/full";
  rdr::FileOutStream out("/dev/full");
  out.writeBytes("abc", 3);
  EXPECT_EQ(thrownMessage<plat::SystemException>([&] { out.flush(); }),
            "writing to file failed: No space left on device (28)");
}

} // namespace
