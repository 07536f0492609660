#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "i18n/MoCatalogue.h"

namespace {

using i18n::TMoCatalogue;

std::string Bytes() {
  std::ifstream file(KESTRILO_GERMAN_MO, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t Little(const std::string& B, size_t At) {
  uint32_t value = 0;
  for (size_t i = 4; i-- > 0;) value = (value << 8) | uint8_t(B[At + i]);
  return value;
}

// The catalogue as a machine of the other byte order writes it: header and both tables turned.
std::string Swapped(std::string B) {
  const uint32_t count = Little(B, 8);
  std::vector<size_t> words{0, 4, 8, 12, 16, 20, 24};
  for (const uint32_t table : {Little(B, 12), Little(B, 16)})
    for (uint32_t i = 0; i < 2 * count; ++i) words.push_back(table + 4 * i);
  for (const size_t at : words) std::reverse(B.begin() + long(at), B.begin() + long(at) + 4);
  return B;
}

void ExpectGerman(const TMoCatalogue& De) {
  EXPECT_EQ(De.Find("Upload completed!"), "Hochladen abgeschlossen!");
  EXPECT_EQ(De.Find("%1 found on %2 (%3 MB / %4 sec)"), "%1 gefunden an %2 (%3 MB / %4 s)");
  EXPECT_EQ(De.Find("Done"), "Fertig");
  EXPECT_EQ(De.Find("Upload completed"), std::nullopt);  // a prefix is no hit
  EXPECT_EQ(De.Find("Upload completed!!"), std::nullopt);
  EXPECT_EQ(De.Find("upload completed!"), std::nullopt);
}

TEST(MoCatalogue, LooksUpWhatMsgfmtCompiledInEitherByteOrder) {
  const auto de = TMoCatalogue::Load(KESTRILO_GERMAN_MO);
  ASSERT_TRUE(de);
  EXPECT_GT(de->Count(), 100u);
  ExpectGerman(*de);
  ExpectGerman(TMoCatalogue(Swapped(Bytes())));
  EXPECT_FALSE(TMoCatalogue::Load(std::string(KESTRILO_GERMAN_MO) + ".none"));  // no such language
  EXPECT_THROW(TMoCatalogue(Bytes().substr(0, 27)), i18n::EMoFormat);
  EXPECT_THROW(TMoCatalogue(Bytes().substr(0, Bytes().size() / 2)), i18n::EMoFormat);
  EXPECT_THROW(TMoCatalogue(std::string(64, 'x')), i18n::EMoFormat);
}

}  // namespace
