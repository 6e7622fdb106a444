#include <plat/BinaryParameter.h>

#include <plat/String.h>
#include <plat/hex.h>

#include <cstring>

namespace plat {

template <class D>
BinaryParameter::BinaryParameter(Init, const char* name, const D& desc,
                                 const void* def, uint32_t len, bool wipe,
                                 bool advanced, Configuration* conf,
                                 const char* tags)
    : TypedParameter<MBuf<unsigned char>>(
          name, desc,
          MBuf<unsigned char>(static_cast<const unsigned char*>(def),
                              def ? len : 0, wipe),
          advanced, conf, tags),
      wipe_(wipe)
{
  logSet(PriorityDefault);
}

BinaryParameter::BinaryParameter(const char* name, const char* desc,
                                 const void* def, uint32_t len, bool wipe,
                                 bool advanced, Configuration* conf,
                                 const char* tags)
    : BinaryParameter(Init(), name, desc, def, len, wipe, advanced, conf, tags)
{
}

BinaryParameter::BinaryParameter(const char* name, const LocText& desc,
                                 const void* def, uint32_t len, bool wipe,
                                 bool advanced, Configuration* conf,
                                 const char* tags)
    : BinaryParameter(Init(), name, desc, def, len, wipe, advanced, conf, tags)
{
}

void BinaryParameter::getValue(MBuf<unsigned char>& out) const
{
  const MBuf<unsigned char>& v = current();
  uint32_t n = v.size();
  if (out.data() && out.size() >= n) {
    // Reuse the caller's memory. Bytes past the new size stay allocated but
    // are no longer counted, so a wiping buffer clears them now.
    uint32_t old = out.size();
    bool wiping = out.wipes();
    unsigned char* mem = out.release();
    if (n)
      memcpy(mem, v.data(), n);
    if (wiping && old > n)
      wipe(mem + n, old - n);
    out.adopt(mem, n);
  } else {
    out.assign(v.data(), n);
  }
  out.setWipe(v.wipes());
}

bool BinaryParameter::setValue(const void* data, uint32_t len, int priority)
{
  MBuf<unsigned char> v(static_cast<const unsigned char*>(data), data ? len : 0,
                        wipe_);
  return TypedParameter<MBuf<unsigned char>>::setValue(v, priority);
}

bool BinaryParameter::setFromText(const char* text, int priority)
{
  MBuf<unsigned char> v(0, wipe_);
  if (!text || !tryHexDecode(text, v))
    return false;
  v.setWipe(wipe_);
  return TypedParameter<MBuf<unsigned char>>::setValue(v, priority);
}

String BinaryParameter::toText(const MBuf<unsigned char>&) const
{
  return "<binary>";
}

std::unique_ptr<ConfigParameter>
BinaryParameter::cloneInto(Configuration& conf) const
{
  const MBuf<unsigned char>& def = values_.begin()->second;
  return cloneAs<BinaryParameter>(def.data(), def.size(), wipe_, isAdvanced(),
                                  &conf, tagList().c_str());
}

} // namespace plat
