#include <plat/DynamicFn.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

using plat::DynamicFn;

namespace {

typedef int (*ValueFn)();

// Which test library the object is bound to (its value), or 0 when none.
int boundValue(const DynamicFn& fn)
{
  ValueFn f = fn.as<ValueFn>();
  return f ? f() : 0;
}

std::string dir(const char* file)
{
  return std::string(DYNFN_TEST_DIR) + "/" + file;
}

bool loaded(const std::string& path)
{
  void* h = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (h)
    dlclose(h);
  return h != nullptr;
}

} // namespace

TEST(DynamicFn, LibraryListsAndFunctionNames)
{
  std::string b3 = dir("libjexdynB.so.3");
  std::string pathList = "libjexdynMissing.so," + dir("libjexdynB.so.4");
  struct {
    const char* libs;
    bool exact;
    int value;
  } cases[] = {
      // Versions are tried in the order given, and only they.
      {"jexdynB[5,4,3]", false, 4},
      {"jexdynA[1]", false, 0},
      {"jexdynB", false, 0},
      // Entries in order; text between "]" and "," is ignored; a library
      // lacking the symbol is passed over.
      {"jexdynMissing,jexdynB[5]junk,jexdynA", false, 1},
      {"jexdynNoSym,jexdynB[4]", false, 4},
      {"", false, 0},
      {b3.c_str(), false, 3},
      // With the exact-file flag "[" is an ordinary character.
      {"jexdynB[3]", true, 0},
      {pathList.c_str(), true, 4},
  };
  for (auto& c : cases)
    EXPECT_EQ(boundValue(DynamicFn(c.libs, "dynfnValue", c.exact)), c.value)
        << c.libs;
  // Function names too are tried in order.
  DynamicFn other("jexdynNoSym", "missing,dynfnOther,dynfnValue");
  EXPECT_EQ(boundValue(other), -1);
}

TEST(DynamicFn, EachObjectHoldsItsOwnReference)
{
  std::string path = dir("libjexdynB.so.4");
  ASSERT_FALSE(loaded(path));
  {
    DynamicFn a("jexdynB[4]", "dynfnValue");
    {
      DynamicFn b("jexdynB[4]", "dynfnValue");
      EXPECT_EQ(boundValue(b), 4);
    }
    EXPECT_TRUE(loaded(path));
    EXPECT_EQ(boundValue(a), 4);
  }
  EXPECT_FALSE(loaded(path));
  // A library without the symbol is closed again at once.
  {
    DynamicFn c("jexdynNoSym", "dynfnValue");
  }
  EXPECT_FALSE(loaded(dir("libjexdynNoSym.so")));
}
