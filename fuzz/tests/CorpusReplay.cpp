// Every file of corpus/<target>/ (seeds, and each input that once found a
// fault, named after it) goes to the target, in every suite.
#include "../../base/plat/tests/TestUtil.h"
#include "../FuzzCheck.h"
#include "../FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <ostream>
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

namespace fs = std::filesystem;
const fs::path corpusDir = JEX_FUZZ_CORPUS;

std::vector<fs::path> listDir(const fs::path& dir, bool wantDirs)
{
  std::vector<fs::path> names;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec))
    if (e.is_directory() == wantDirs)
      names.push_back(e.path());
  std::sort(names.begin(), names.end());
  return names;
}

// The list of targets ends with a null entry.
const jexfuzz::FuzzTarget* const targetsEnd =
    std::end(jexfuzz::fuzzTargets) - 1;

class CorpusReplay : public testing::TestWithParam<jexfuzz::FuzzTarget> {};

TEST_P(CorpusReplay, EveryInputPasses)
{
  const jexfuzz::FuzzTarget& t = GetParam();
  jexfuzz::checkFailuresThrow = true;
  std::vector<fs::path> files = listDir(corpusDir / t.name, false);
  EXPECT_FALSE(files.empty()) << "no seeds for " << t.name;
  for (const fs::path& f : files) {
    std::string bytes = testutil::readFile(f);
    // Exactly the file's size, so that ASan sees any overread.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    try {
      t.entry(data.data(), data.size());
    } catch (jexfuzz::CheckFailed& e) {
      ADD_FAILURE() << f.filename() << ": " << e.what();
    }
  }
  jexfuzz::checkFailuresThrow = false;
}

INSTANTIATE_TEST_SUITE_P(
    Fuzz, CorpusReplay, testing::ValuesIn(jexfuzz::fuzzTargets, targetsEnd),
    [](const testing::TestParamInfo<jexfuzz::FuzzTarget>& i) {
      return std::string(i.param.name);
    });

// A corpus folder whose name matches no target would silently not run.
TEST(CorpusReplayLayout, EveryFolderHasATarget)
{
  for (const fs::path& d : listDir(corpusDir, true))
    EXPECT_TRUE(std::any_of(
        jexfuzz::fuzzTargets, targetsEnd,
        [&](const jexfuzz::FuzzTarget& t) { return d.filename() == t.name; }))
        << d << " has no target";
}

} // namespace
