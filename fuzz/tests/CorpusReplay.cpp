// Replays the fuzz corpus: every file of corpus/<target>/ goes to the
// target's entry function. The corpus holds small seeds and every input
// that once found a fault, named after what it broke, so the normal suite
// (and its sanitizer and armhf runs) keeps those faults fixed.
#include "../FuzzCheck.h"
#include "../FuzzTargets.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <ostream>
#include <cstdio>
#include <string>
#include <vector>

namespace jexfuzz {
// Test listings name the target instead of dumping its bytes.
void PrintTo(const FuzzTarget& t, std::ostream* os)
{
  *os << t.name;
}
} // namespace jexfuzz

namespace {

const std::string corpusDir = JEX_FUZZ_CORPUS;

std::vector<std::string> listDir(const std::string& dir, bool wantDirs)
{
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d)
    return names;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..")
      continue;
    struct stat st;
    if (stat((dir + "/" + n).c_str(), &st) != 0)
      continue;
    if (S_ISDIR(st.st_mode) == wantDirs)
      names.push_back(n);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> readFile(const std::string& path)
{
  std::vector<uint8_t> data;
  FILE* f = fopen(path.c_str(), "rbe");
  if (!f)
    return data;
  uint8_t buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
    data.insert(data.end(), buf, buf + n);
  fclose(f);
  return data;
}

[[noreturn]] void throwOnFailure(const char* what)
{
  throw jexfuzz::CheckFailed(what);
}

class CorpusReplay : public testing::TestWithParam<jexfuzz::FuzzTarget> {};

TEST_P(CorpusReplay, EveryInputPasses)
{
  const jexfuzz::FuzzTarget& t = GetParam();
  jexfuzz::setCheckFailureHandler(throwOnFailure);
  std::string dir = corpusDir + "/" + t.name;
  std::vector<std::string> files = listDir(dir, false);
  EXPECT_FALSE(files.empty()) << "no seeds in " << dir;
  for (const std::string& f : files) {
    std::vector<uint8_t> data = readFile(dir + "/" + f);
    try {
      // A copy of exactly the file's size, so that ASan sees any overread.
      std::vector<uint8_t> exact(data);
      t.entry(exact.data(), exact.size());
    } catch (jexfuzz::CheckFailed& e) {
      ADD_FAILURE() << f << ": " << e.what();
    }
  }
  jexfuzz::setCheckFailureHandler(nullptr);
}

std::vector<jexfuzz::FuzzTarget> targets()
{
  std::vector<jexfuzz::FuzzTarget> v;
  for (const jexfuzz::FuzzTarget* t = jexfuzz::fuzzTargets; t->name; t++)
    v.push_back(*t);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay, testing::ValuesIn(targets()),
                         [](const testing::TestParamInfo<jexfuzz::FuzzTarget>& i) {
                           return std::string(i.param.name);
                         });

// A corpus folder whose name matches no target would silently not run.
TEST(CorpusReplayLayout, EveryFolderHasATarget)
{
  std::vector<jexfuzz::FuzzTarget> ts = targets();
  for (const std::string& d : listDir(corpusDir, true)) {
    bool found = std::any_of(ts.begin(), ts.end(), [&](const jexfuzz::FuzzTarget& t) {
      return d == t.name;
    });
    EXPECT_TRUE(found) << "corpus/" << d << " has no target";
  }
}

} // namespace
