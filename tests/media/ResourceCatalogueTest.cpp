// The catalogue agrees with the build's resource list, and missing resources read as empty.
#include "media/ResourceCatalogue.h"

#include <gtest/gtest.h>

#include <string_view>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

#include "media/MediaArchive.h"

namespace qm {
namespace {

TEST(ResourceCatalogue, EveryResourceIsListedOnceWithItsReader) {
  std::set<std::pair<std::string, int>> seen;
  for (const ResourceInfo& info : ResourceCatalogue()) {
    EXPECT_TRUE(seen.insert({info.type, info.id}).second) << info.type << " " << info.id;
    EXPECT_NE(std::string(info.reader), "");
  }
  ASSERT_NE(FindCatalogueEntry("mediadata", kSceneArchiveId), nullptr);
  EXPECT_EQ(FindCatalogueEntry("Images", kForestPictureFirstId + 9)->id, 478);
  EXPECT_EQ(FindCatalogueEntry("DIALOG", kConfigDialogId)->language, kLanguageEnglish);
  EXPECT_EQ(FindCatalogueEntry("CustomData", kDefaultSettingsId)->language, kLanguageRussian);
  EXPECT_EQ(FindCatalogueEntry("Images", 479), nullptr);
}

TEST(ResourceCatalogue, BuildListNamesOnlyCataloguedResources) {
  std::ifstream list(std::string(QM_SOURCE_DIR) + "/resources/resources.list");
  ASSERT_TRUE(list.good());
  std::string line;
  int lines = 0;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string type;
    int id = 0;
    fields >> type >> id;
    EXPECT_NE(FindCatalogueEntry(type, id), nullptr) << line;
    EXPECT_FALSE(LoadRawResource(type, id).empty()) << line;
    ++lines;
  }
  EXPECT_GT(lines, 0);
}

TEST(ResourceCatalogue, MissingResourcesAreEmptyAndExtractNothing) {
  EXPECT_TRUE(LoadRawResource(kSoundType, 9999).empty());
  MediaArchive missing = LoadMediaArchive(9999);
  EXPECT_EQ(missing.pData, nullptr);
  EXPECT_EQ(missing.nSize, 0u);
  std::uint8_t* buffer = nullptr;
  std::uint32_t count = 0;
  EXPECT_FALSE(ExtractEntry("env.jpg", &missing, kMediaPassword, &buffer, &count));
  EXPECT_EQ(buffer, nullptr);
}

TEST(ResourceCatalogue, CarriedArchivesHoldTheirEntries) {
  MediaArchive digits = LoadMediaArchive(kDigitsArchiveId);
  MediaArchive scene = LoadMediaArchive(kSceneArchiveId);
  if (digits.nSize == 0 && scene.nSize == 0) GTEST_SKIP() << "the media are not built yet";
  for (const char* name : kDigitEntries) {
    std::uint8_t* buffer = nullptr;
    std::uint32_t count = 0;
    EXPECT_TRUE(ExtractEntry(name, &digits, kDigitsPassword, &buffer, &count)) << name;
    std::free(buffer);
  }
  for (const char* name : kSceneEntries) {
    // The web start files are made by the web simulation, which the media do not have yet.
    if (std::string_view(name).starts_with("cobweb_")) continue;
    std::uint8_t* buffer = nullptr;
    std::uint32_t count = 0;
    EXPECT_TRUE(ExtractEntry(name, &scene, kMediaPassword, &buffer, &count)) << name;
    EXPECT_GT(count, 0u) << name;
    std::free(buffer);
  }
}

}  // namespace
}  // namespace qm
