#include "shell/JsonWriter.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

TEST(JsonWriterTest, NestedMembersAndEscapes) {
  JsonWriter w;
  w.BeginObject();
  w.MemberInt("count", 3);
  w.Key("list");
  w.BeginArray();
  w.Number(0.5);
  w.String("a\"b\\c\n");
  w.BeginObject();
  w.EndObject();
  w.EndArray();
  w.Key("pos");
  w.Vector3(1, 2.25f, -3);
  w.MemberBool("on", true);
  w.EndObject();
  EXPECT_EQ(w.Text(),
            "{\n  \"count\": 3,\n  \"list\": [\n    0.5,\n    \"a\\\"b\\\\c\\n\",\n    {}\n  ],\n"
            "  \"pos\": [1, 2.25, -3],\n  \"on\": true\n}\n");
  EXPECT_EQ(w.NonFiniteCount(), 0);
}

TEST(JsonWriterTest, NonFiniteNumbersBecomeNullAndAreCounted) {
  JsonWriter w;
  w.BeginObject();
  w.Member("nan", std::numeric_limits<double>::quiet_NaN());
  w.Key("v");
  w.Vector3(std::numeric_limits<float>::infinity(), 0, 1);
  w.EndObject();
  EXPECT_EQ(w.NonFiniteCount(), 2);
  EXPECT_NE(w.Text().find("\"nan\": null"), std::string::npos);
  EXPECT_NE(w.Text().find("[null, 0, 1]"), std::string::npos);
}

TEST(JsonWriterTest, AtomicWriteReplacesAndFailsCleanly) {
  const std::string dir = ::testing::TempDir();
  const std::string path = dir + "/report_" + std::to_string(::getpid()) + ".json";
  ASSERT_TRUE(WriteTextFileAtomically(path, "old"));
  ASSERT_TRUE(WriteTextFileAtomically(path, "new"));
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "new");
  std::remove(path.c_str());
  EXPECT_FALSE(WriteTextFileAtomically(dir + "/no/such/folder/x.json", "x"));
}

}  // namespace
}  // namespace qm
