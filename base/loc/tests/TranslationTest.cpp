// The built-in tables: every language covers every id, keeps the
// placeholders, and is what the plat seam and Localize hand out.
#include <loc/Localize.h>
#include <loc/TransMap.h>
#include <loc/Translation.h>

#include <plat/Translate.h>
#include <plat/utf8.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

using namespace loc;

namespace {

// The placeholders of a text, in order ("%S", "%1$S", "%%").
std::string placeholders(const char* text)
{
  std::string out;
  for (const char* p = strchr(text, '%'); p; p = strchr(p + 1, '%')) {
    const char* q = p + 1 + strspn(p + 1, "0123456789");
    q += *q == '$';
    if (!*q)
      break;
    out.append(p, size_t(q + 1 - p)) += ' ';
    p = q;
  }
  return out;
}

class LocalizeTest : public ::testing::Test {
protected:
  void TearDown() override { Localize::setLanguage("en_US"); }
};

} // namespace

TEST(Translation, EveryLanguageCoversEveryId)
{
  size_t n;
  const Translation* const* tables = Translation::builtin(n);
  ASSERT_EQ(5u, n);
  const Translation& en = *tables[0];
  ASSERT_STREQ("en_US", en.language);

  auto texts = [](const Translation& tr) {
    std::map<std::string, const char*> m;
    for (size_t i = 0; i < tr.count; i++) {
      EXPECT_TRUE(m.emplace(tr.messages[i].id, tr.messages[i].text).second)
          << tr.language << " duplicate " << tr.messages[i].id;
      EXPECT_TRUE(plat::utf8Valid(tr.messages[i].text)) << tr.messages[i].id;
    }
    return m;
  };
  auto english = texts(en);
  for (size_t t = 1; t < n; t++) {
    SCOPED_TRACE(tables[t]->language);
    auto other = texts(*tables[t]);
    EXPECT_EQ(english.size(), other.size());
    for (const auto& e : english) {
      auto it = other.find(e.first);
      if (it == other.end())
        ADD_FAILURE() << "lacks " << e.first;
      else
        EXPECT_EQ(placeholders(e.second), placeholders(it->second)) << e.first;
    }
  }
}

TEST_F(LocalizeTest, TextAndFallbacks)
{
  EXPECT_STREQ("fr_FR", Localize::setLanguage("fr_FR"));
  EXPECT_STREQ("TCP direct", Localize::text("io_tcp_connection_type"));
  EXPECT_STREQ("no_such_id", Localize::text("no_such_id"));
  EXPECT_EQ(nullptr, Localize::lookup("no_such_id"));
  // An id only English knows falls back to it.
  TransMap::instance().add("en_US", "test_english_only", "Only English");
  EXPECT_STREQ("Only English", Localize::text("test_english_only"));
  EXPECT_STREQ("en_US", Localize::setLanguage("xx_YY"));
}

TEST_F(LocalizeTest, ArgumentsAreInserted)
{
  Localize::setLanguage("pt_BR");
  EXPECT_STREQ(
      "Não é possível conectar via P: recusado",
      Localize::format("io_error_proxy_general", {"P", "recusado"}).c_str());
  EXPECT_STREQ("b then a",
               plat::insertArgs("%2$S then %1$S", {"a", "b"}).c_str());
  EXPECT_STREQ("x= y=", plat::insertArgs("x=%S y=%S", {}).c_str());
  EXPECT_STREQ("50% 7%d", plat::insertArgs("50% %S%d", {"7"}).c_str());
}

TEST_F(LocalizeTest, PlatTextsGoThroughTheSeam)
{
  const plat::LocText bad{"plat_bad_argument", "Bad argument '%S'."};
  Localize::setLanguage("es_ES");
  EXPECT_STREQ("Argumento no válido 'x'.",
               plat::translateFormat(bad, {"x"}).c_str());
  const plat::LocText unknown{"plat_not_in_tables", "English fallback"};
  EXPECT_STREQ("English fallback", plat::translate(unknown));
}
