// The web's file section: what a written web reads back as, the checksum's edge cases, and
// every kind of damaged or hostile file failing the load without touching the web.
#include <cmath>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "creatures/Cobweb.h"
#include "creatures/WebFile.h"

namespace qm {
namespace {

// A small web in every list: a radius, a spiral thread, marks and flags, node values that
// are not round numbers.
void FillWeb(Cobweb* web) {
  web->Radii.emplace_back();
  web->AddThread(web->Radii[0], {0, 0, 0}, {0, 0, 10}, 2, 1.0f, 10.0f, 0.5f, false, 0.98f);
  web->FrameThreads.emplace_back();
  web->AddThread(web->FrameThreads[0], {-5, 0, 0}, {5, 0, 0}, 0, 1.0f, 50.0f, 1.2f, true, 1.0f);
  web->Spiral.emplace_back();
  web->StartThread(web->Spiral[0], web->Radii[0], 0.5f, {3, 0, 4}, 1, 0.7f, 8.0f, 0.25f, false,
                   1.0f);
  web->Spiral[0].bFlag = 2;
  web->Nodes[1].vVel = {0.125f, -3.5f, 1e-3f};
  web->Links[0].iType = kLinkPulled;
  web->Marks0 = {3};
  web->Marks1 = {-1};
  web->Marks2 = {0, -1};
  web->Flags = {1, 0, 7};
  web->RebuildNodeLinks();
}

std::vector<std::uint8_t> Written(const Cobweb& web) {
  WebWriter writer;
  web.WriteSection(writer);
  return writer.Bytes();
}

void ExpectSameWeb(const Cobweb& a, const Cobweb& b) {
  ASSERT_EQ(a.Nodes.size(), b.Nodes.size());
  for (size_t i = 0; i < a.Nodes.size(); ++i) {
    EXPECT_EQ(a.Nodes[i].vPos, b.Nodes[i].vPos);
    EXPECT_EQ(a.Nodes[i].vVel, b.Nodes[i].vVel);
    EXPECT_EQ(a.Nodes[i].fWeight, b.Nodes[i].fWeight);
    EXPECT_EQ(a.Nodes[i].bFixed, b.Nodes[i].bFixed);
    EXPECT_EQ(a.Nodes[i].Links, b.Nodes[i].Links);
  }
  ASSERT_EQ(a.Links.size(), b.Links.size());
  EXPECT_EQ(0, std::memcmp(a.Links.data(), b.Links.data(), a.Links.size() * sizeof(WebLink)));
  const std::vector<WebThread>* listsA[] = {&a.Threads0, &a.FrameThreads, &a.Radii, &a.Spiral};
  const std::vector<WebThread>* listsB[] = {&b.Threads0, &b.FrameThreads, &b.Radii, &b.Spiral};
  for (int l = 0; l < 4; ++l) {
    ASSERT_EQ(listsA[l]->size(), listsB[l]->size());
    for (size_t t = 0; t < listsA[l]->size(); ++t) {
      EXPECT_EQ((*listsA[l])[t].Nodes, (*listsB[l])[t].Nodes);
      EXPECT_EQ((*listsA[l])[t].Links, (*listsB[l])[t].Links);
      EXPECT_EQ((*listsA[l])[t].bFlag, (*listsB[l])[t].bFlag);
    }
  }
  EXPECT_EQ(a.Marks0, b.Marks0);
  EXPECT_EQ(a.Marks1, b.Marks1);
  EXPECT_EQ(a.Marks2, b.Marks2);
  EXPECT_EQ(a.Flags, b.Flags);
}

TEST(CobwebFile, WrittenWebReadsBackTheSameThroughMemoryAndFile) {
  Cobweb original;
  FillWeb(&original);
  const std::vector<std::uint8_t> bytes = Written(original);
  Cobweb fromMemory;
  ASSERT_EQ(fromMemory.LoadFromMemory(bytes.data(), bytes.size()), 1);
  ExpectSameWeb(original, fromMemory);

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(original.Save(file), 1);
  std::fputs("tail", file);  // the scene's sections follow the web's
  std::rewind(file);
  Cobweb fromFile;
  ASSERT_EQ(fromFile.Load(file), 1);
  ExpectSameWeb(original, fromFile);
  char tail[5] = {};
  EXPECT_EQ(std::fread(tail, 1, 4, file), 4u);
  EXPECT_STREQ(tail, "tail");
  std::fclose(file);
}

TEST(CobwebFile, EmptyListsAreCountAndChecksumZeroAndTheChecksumWrapsBy65535) {
  const Cobweb empty;
  const std::vector<std::uint8_t> bytes = Written(empty);
  // Four lists of (count 0, checksum 0), then node, link, three mark and flag counts of 0.
  EXPECT_EQ(bytes, std::vector<std::uint8_t>(4 * 8 + 6 * 4, 0));

  WebChecksum checksum;
  checksum.Add(65535);
  EXPECT_EQ(checksum.Value(), 65535);
  checksum.Add(1);  // 65536 passes 65535 and comes back by 65535, not by 65536
  EXPECT_EQ(checksum.Value(), 1);
  checksum.Add(70000);
  EXPECT_EQ(checksum.Value(), 70001 - 65535);
}

// Bytes of a web whose parts a test may spoil: the offset of each part it changes.
struct Layout {
  std::vector<std::uint8_t> bytes;
  size_t radiiNodeIndex = 0;  // the first node index of the first radius
  size_t radiiChecksum = 0;
  size_t nodeCount = 0;
  size_t firstLinkNodeB = 0;
  size_t marks0Value = 0;
  size_t marks2Value = 0;
};

void PutInt(std::vector<std::uint8_t>& bytes, size_t at, std::int32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(std::uint32_t(value) >> (8 * i));
}

std::int32_t FloatBits(float value) {
  std::int32_t bits;
  std::memcpy(&bits, &value, 4);
  return bits;
}

std::int32_t GetInt(const std::vector<std::uint8_t>& bytes, size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[at + i]) << (8 * i);
  return std::int32_t(v);
}

// One radius of two nodes and one link, no other threads, one mark in Marks0 and Marks2.
Layout SmallLayout() {
  Cobweb web;
  web.Radii.emplace_back();
  web.AddThread(web.Radii[0], {0, 0, 0}, {0, 0, 1}, 0, 1.0f, 1.0f, 0.0f, false, 1.0f);
  web.FrameThreads.emplace_back();
  web.Marks0 = {1};
  web.Marks2 = {0};
  Layout layout;
  layout.bytes = Written(web);
  const size_t threads0 = 8;
  const size_t frame = threads0 + 4 + 9 + 4;  // one empty thread
  layout.radiiNodeIndex = frame + 8;
  layout.radiiChecksum = frame + 4 + (4 + 8 + 4 + 4 + 1);
  layout.nodeCount = layout.radiiChecksum + 4 + 8;
  layout.firstLinkNodeB = layout.nodeCount + 4 + 2 * 56 + 4 + 4;
  layout.marks0Value = layout.firstLinkNodeB + 20 + 4;
  layout.marks2Value = layout.marks0Value + 4 + 4 + 4;
  return layout;
}

TEST(CobwebFile, DamagedFilesFailAndLeaveTheWebAsItWas) {
  const Layout good = SmallLayout();
  {
    Cobweb web;
    ASSERT_EQ(web.LoadFromMemory(good.bytes.data(), good.bytes.size()), 1);
    ASSERT_EQ(GetInt(good.bytes, good.radiiNodeIndex), 0);
    ASSERT_EQ(GetInt(good.bytes, good.nodeCount), 2);
    ASSERT_EQ(GetInt(good.bytes, good.firstLinkNodeB), 1);
    ASSERT_EQ(GetInt(good.bytes, good.marks0Value), 1);
    ASSERT_EQ(GetInt(good.bytes, good.marks2Value), 0);
  }
  struct Case {
    const char* what;
    size_t at;
    std::int32_t value;
  };
  const Case cases[] = {
      {"checksum that does not match", good.radiiChecksum, 2},
      {"thread node index past the nodes", good.radiiNodeIndex, 5},
      {"negative node count", good.nodeCount, -1},
      {"node count larger than the bytes left", good.nodeCount, 1 << 30},
      {"link end past the nodes", good.firstLinkNodeB, 2},
      {"mark past the nodes", good.marks0Value, 9},
      {"bridge mark past the frame threads", good.marks2Value, 1},
      {"node position that is not a number", good.nodeCount + 4, FloatBits(std::nanf(""))},
      {"stiffness beyond any web", good.firstLinkNodeB + 8, FloatBits(1e30f)},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = good.bytes;
    PutInt(bytes, c.at, c.value);
    if (c.at == good.radiiNodeIndex) PutInt(bytes, good.radiiChecksum, 1 + 5);  // still sums
    Cobweb web;
    FillWeb(&web);
    const size_t nodes = web.Nodes.size();
    EXPECT_EQ(web.LoadFromMemory(bytes.data(), bytes.size()), 0) << c.what;
    EXPECT_EQ(web.Nodes.size(), nodes) << c.what;
  }
  for (size_t cut = 0; cut < good.bytes.size(); ++cut) {
    Cobweb web;
    EXPECT_EQ(web.LoadFromMemory(good.bytes.data(), cut), 0) << "cut at " << cut;
  }
}

TEST(CobwebFile, AtomicWriteReplacesTheWholeFileOrNothing) {
  char pattern[] = "/tmp/qm_webfile_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/cobweb.dat";
  ASSERT_TRUE(WriteFileAtomically(path, {1, 2, 3}));
  ASSERT_TRUE(WriteFileAtomically(path, {4, 5}));
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(ReadWholeFile(path, &back));
  EXPECT_EQ(back, (std::vector<std::uint8_t>{4, 5}));
  EXPECT_FALSE(WriteFileAtomically(std::string(pattern) + "/missing/cobweb.dat", {1}));
  std::remove(path.c_str());
  std::remove(pattern);
}

}  // namespace
}  // namespace qm
