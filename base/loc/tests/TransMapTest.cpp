// Translation files: the .po subset that is read, and what a load changes.
#include <loc/TransMap.h>

#include <plat/Exception.h>
#include <rdr/MemInStream.h>

#include "../../plat/tests/TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace loc;

namespace {

int load(TransMap& map, const char* text, const char* lang = nullptr)
{
  rdr::MemInStream in(text, strlen(text));
  return map.loadPo(in, lang);
}

} // namespace

TEST(TransMap, LoadsPoEntries)
{
  TransMap map;
  const char* po = "# A translation file\r\n"
                   "msgid \"\"\n"
                   "msgstr \"\"\n"
                   "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                   "\"Language: it_IT\\n\"\n"
                   "\n"
                   "#: somewhere.cpp:12\n"
                   "msgid \"plat_bad_argument\"\n"
                   "msgstr \"Argomento non valido '%S'.\"\n"
                   "\n"
                   "msgid \"plat_configuration_param_usage\"\n"
                   "msgstr \"\"\n"
                   "\"Riga uno\\n\"\n"
                   "\"riga \\\"due\\\"\"\n"
                   "\n"
                   "#, fuzzy\n"
                   "msgid \"plat_usage_label\"\n"
                   "msgstr \"Forse\"\n"
                   "\n"
                   "msgid \"plat_run_with_help\"\n"
                   "msgstr \"\"\n"
                   "msgctxt \"ignored\"\n"
                   "msgid \"plat_string_too_long\"\n"
                   "msgstr \"Stringa troppo lunga\""; // no final newline
  EXPECT_EQ(3, load(map, po));
  EXPECT_STREQ("Argomento non valido '%S'.",
               map.lookup("it_IT", "plat_bad_argument"));
  EXPECT_STREQ("Riga uno\nriga \"due\"",
               map.lookup("it_IT", "plat_configuration_param_usage"));
  EXPECT_STREQ("Stringa troppo lunga",
               map.lookup("it_IT", "plat_string_too_long"));
  EXPECT_EQ(nullptr, map.lookup("it_IT", "plat_usage_label"));   // fuzzy
  EXPECT_EQ(nullptr, map.lookup("it_IT", "plat_run_with_help")); // empty
  EXPECT_STREQ("it_IT", map.findLanguage("it"));
}

TEST(TransMap, ReloadKeepsTextsAliveAndBadFilesAreRefused)
{
  TransMap map;
  load(map, "msgid \"x\"\nmsgstr \"one\"\n", "de_DE");
  const char* first = map.lookup("de_DE", "x");
  load(map, "msgid \"x\"\nmsgstr \"two\"\n", "de_DE");
  EXPECT_STREQ("two", map.lookup("de_DE", "x"));
  EXPECT_STREQ("one", first);

  EXPECT_EQ("Bad translation file: line 4", testutil::thrownMessage([&] {
              load(map,
                   "msgid \"a\"\nmsgstr \"A\"\n\nmsgid \"b\nmsgstr \"B\"\n",
                   "fr_FR");
            }));
  EXPECT_STREQ("A", map.lookup("fr_FR", "a")); // kept
  EXPECT_THROW(load(map, "garbage\n", "fr_FR"), plat::Exception);
  EXPECT_THROW(load(map, "msgid \"a\"\nmsgstr \"\\q\"\n", "fr_FR"),
               plat::Exception);
  EXPECT_THROW(load(map, "msgid \"a\"\nmsgstr \"A\"\n"), plat::Exception);
}
