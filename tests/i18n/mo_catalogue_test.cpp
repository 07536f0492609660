#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "i18n/MoCatalogue.h"

namespace {

using i18n::TMoCatalogue;

TEST(MoCatalogue, LooksUpWhatMsgfmtCompiled) {
  const auto de = TMoCatalogue::Load(KESTRILO_GERMAN_MO);
  ASSERT_TRUE(de);
  EXPECT_EQ(de->Find("Upload completed!"), "Hochladen abgeschlossen!");
  EXPECT_EQ(de->Find("%1 found on %2 (%3 MB / %4 sec)"), "%1 gefunden an %2 (%3 MB / %4 s)");
  EXPECT_EQ(de->Find("Upload completed"), std::nullopt);  // a prefix is no hit
  EXPECT_EQ(de->Find("upload completed!"), std::nullopt);
  EXPECT_FALSE(TMoCatalogue::Load(std::string(KESTRILO_GERMAN_MO) + ".none"));  // no such language

  std::ifstream file(KESTRILO_GERMAN_MO, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_THROW(TMoCatalogue(bytes.substr(0, bytes.size() / 2)), i18n::EMoFormat);  // cut short
  EXPECT_THROW(TMoCatalogue(std::string(64, 'x')), i18n::EMoFormat);
}

}  // namespace
