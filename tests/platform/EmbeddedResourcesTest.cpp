#include "platform/EmbeddedResources.h"

#include <gtest/gtest.h>

namespace {

TEST(EmbeddedResources, FindsByTypeWithoutRegardToCase) {
  auto labels = qm::FindEmbeddedResource("CustomData", 484);
  ASSERT_GT(labels.size(), 3u);
  EXPECT_EQ(labels[0], 0xEF);  // the label table starts with a byte-order mark
  EXPECT_EQ(qm::FindEmbeddedResource("customdata", 484).data(), labels.data());
  EXPECT_EQ(qm::FindEmbeddedResource("CUSTOMDATA", 496).size(),
            qm::FindEmbeddedResource("CustomData", 496).size());
}

TEST(EmbeddedResources, UnknownTypeOrIdIsEmpty) {
  EXPECT_TRUE(qm::FindEmbeddedResource("CustomData", 9999).empty());
  EXPECT_TRUE(qm::FindEmbeddedResource("MediaDat", 484).empty());
}

}  // namespace
