#include <plat/DynamicFn.h>

#include "LogCapture.h"

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

TEST(DynamicFn, PlainAndVersionedNames)
{
  EXPECT_EQ(boundValue(DynamicFn("jexdynA", "dynfnValue")), 1);
  // Versions are tried in the order given.
  EXPECT_EQ(boundValue(DynamicFn("jexdynB[3,4]", "dynfnValue")), 3);
  EXPECT_EQ(boundValue(DynamicFn("jexdynB[5,4,3]", "dynfnValue")), 4);
  // A name with versions never tries the unversioned file, and a plain
  // name never tries a versioned one.
  EXPECT_EQ(boundValue(DynamicFn("jexdynA[1]", "dynfnValue")), 0);
  EXPECT_EQ(boundValue(DynamicFn("jexdynB", "dynfnValue")), 0);
}

TEST(DynamicFn, EntriesAreTriedInOrder)
{
  EXPECT_EQ(boundValue(DynamicFn("jexdynMissing,jexdynB[3,4]", "dynfnValue")),
            3);
  // Text between "]" and "," is ignored.
  EXPECT_EQ(boundValue(DynamicFn("jexdynB[5]junk,jexdynA", "dynfnValue")), 1);
  // A library lacking the symbol is passed over.
  EXPECT_EQ(boundValue(DynamicFn("jexdynNoSym,jexdynB[4]", "dynfnValue")), 4);
  EXPECT_EQ(boundValue(DynamicFn("jexdynMissing", "dynfnValue")), 0);
  EXPECT_EQ(boundValue(DynamicFn("", "dynfnValue")), 0);
}

TEST(DynamicFn, FunctionNamesAreTriedInOrder)
{
  DynamicFn fn("jexdynNoSym", "missing,dynfnOther,dynfnValue");
  ValueFn f = fn.as<ValueFn>();
  ASSERT_TRUE(f);
  EXPECT_EQ(f(), -1);
}

TEST(DynamicFn, PathsAndExactFiles)
{
  std::string b3 = dir("libjexdynB.so.3");
  EXPECT_EQ(boundValue(DynamicFn(b3.c_str(), "dynfnValue")), 3);
  EXPECT_EQ(boundValue(DynamicFn(b3.c_str(), "dynfnValue", true)), 3);
  // With the exact-file flag "[" is an ordinary character.
  EXPECT_EQ(boundValue(DynamicFn("jexdynB[3]", "dynfnValue", true)), 0);
  EXPECT_EQ(boundValue(DynamicFn("libjexdynA.so", "dynfnValue", true)), 1);
  std::string list = "libjexdynMissing.so," + dir("libjexdynB.so.4");
  EXPECT_EQ(boundValue(DynamicFn(list.c_str(), "dynfnValue", true)), 4);
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

TEST(DynamicFn, LogsEveryTry)
{
  LogCapture cap("dynfncap", "DynamicFn:dynfncap:110");
  DynamicFn fn("jexdynNoSym,jexdynMissing,jexdynA", "dynfnValue");
  EXPECT_EQ(boundValue(fn), 1);
  EXPECT_EQ(cap.lines(), (std::vector<std::string>{
                             "110   [DynFnFind(dynfnValue) failed]",
                             "110  [DynFnOpen(libjexdynMissing.so) failed]",
                             "110 found 'dynfnValue' in 'libjexdynA.so'"}));
}
