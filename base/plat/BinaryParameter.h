// plat::BinaryParameter: a configuration parameter holding bytes (keys,
// hashes). Its text syntax is a hex text; its value text is always
// "<binary>", so values never reach logs or help output, and it is listed
// only in the advanced help.
//
//   static plat::BinaryParameter key("Key", "Shared key", nullptr, 0);
//   plat::MBuf<unsigned char> k(0, true);   // wiping buffer
//   key.getValue(k);
#pragma once

#include <plat/ConfigParameter.h>
#include <plat/MBuf.h>

namespace plat {

extern template class TypedParameter<MBuf<unsigned char>>;

class BinaryParameter : public TypedParameter<MBuf<unsigned char>> {
public:
  // The default is len bytes at def (none when def is null or len is 0).
  // wipe: whether stored values are wiped when released.
  BinaryParameter(const char* name, const char* desc, const void* def,
                  uint32_t len, bool wipe = false, bool advanced = true,
                  Configuration* conf = nullptr, const char* tags = nullptr);
  BinaryParameter(const char* name, const LocText& desc, const void* def,
                  uint32_t len, bool wipe = false, bool advanced = true,
                  Configuration* conf = nullptr, const char* tags = nullptr);

  // Copies the current bytes into out, reusing its memory when it is large
  // enough (out's size becomes the value's size) and zeroing the unused
  // tail when out wipes; out then takes the stored value's wipe flag.
  void getValue(MBuf<unsigned char>& out) const;
  bool setValue(const void* data, uint32_t len, int priority);
  using TypedParameter<MBuf<unsigned char>>::setValue;

  // A hex text; a bad one is refused.
  bool setFromText(const char* text, int priority) override;
  const char* typeName() const override { return "binary"; }
  std::unique_ptr<ConfigParameter>
  cloneInto(Configuration& conf) const override;
  // Always "<binary>".
  String toText(const MBuf<unsigned char>& value) const override;

private:
  // What both public constructors do, for either kind of description.
  struct Init {};
  template <class D>
  BinaryParameter(Init, const char* name, const D& desc, const void* def,
                  uint32_t len, bool wipe, bool advanced, Configuration* conf,
                  const char* tags);

  bool wipe_;
};

} // namespace plat
