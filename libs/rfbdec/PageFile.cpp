#include <rfbdec/PageFile.h>

#include <plat/Exception.h>
#include <rfb/WritablePixelBuffer.h>
#include <rfbdec/ZRLEDecoder.h>

#include <cerrno>
#include <cstdio>

namespace rfb {

namespace {

uint32_t readU32(const uint8_t* p)
{
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 |
         p[3];
}

} // namespace

PageFile::PageFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
  if (bytes_.size() < HeaderSize)
    throw plat::Exception("Page file: shorter than its header");
  const uint8_t* p = bytes_.data();
  header_.width = readU32(p + 4 * pagefile::WordWidth);
  header_.height = readU32(p + 4 * pagefile::WordHeight);
  header_.physWidth = readU32(p + 4 * pagefile::WordPhysWidth);
  header_.physHeight = readU32(p + 4 * pagefile::WordPhysHeight);
  header_.paperCode = readU32(p + 4 * pagefile::WordPaperCode);
  header_.constant = readU32(p + 4 * pagefile::WordConstant);
  if (header_.width > pagefile::MaxPageSide ||
      header_.height > pagefile::MaxPageSide)
    throw plat::Exception("Page file: a side is larger than 32767 pixels");

  size_t used =
      readFramedMessage(p + HeaderSize, bytes_.size() - HeaderSize, payload_);
  if (HeaderSize + used != bytes_.size())
    throw plat::Exception("Page file: data after the page message");
  message_ = RectMessage::parse(payload_.data(), payload_.size());
  if (message_.encoding != EncodingZRLE ||
      message_.rect != Rect(0, 0, int(header_.width), int(header_.height)))
    throw plat::Exception("Page file: the message is not the page's "
                          "ZRLE rectangle");
}

PageFile PageFile::load(const char* path)
{
  FILE* f = fopen(path, "rbe");
  if (!f)
    throw plat::SystemExceptionFmt("Error opening \"%s\"", errno, path);
  std::vector<uint8_t> bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
    bytes.insert(bytes.end(), buf, buf + n);
  int err = ferror(f) ? errno : 0;
  fclose(f);
  if (err)
    throw plat::SystemExceptionFmt("Error reading \"%s\"", err, path);
  return PageFile(std::move(bytes));
}

void PageFile::decode(WritablePixelBuffer& pb) const
{
  if (pb.getPF() != pixelFormat())
    throw plat::Exception("Page file: decoding needs the rgb888 format");
  ZRLEDecoder decoder;
  decoder.decodeRect(message_.rect, message_.data, message_.length, pb);
}

} // namespace rfb
