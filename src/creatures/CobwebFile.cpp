// Cobweb: the web's section of a web file.
//
// The section holds the four thread lists (each block closed by its checksum), the nodes
// without their link lists, the links, the three mark lists and the flags. A file is outside
// input: reading checks every count against the bytes left and every index against the lists
// it points into, and takes nothing over until the whole section has proved sound, so a bad
// file leaves the web as it was.
#include <cmath>
#include <cstdio>

#include "creatures/Cobweb.h"
#include "creatures/WebFile.h"

namespace qm {

namespace {

constexpr int kThreadListCount = 4;
// Bytes of the smallest thread record (two empty counts and the flag), node and link records.
constexpr size_t kThreadRecordMin = 9;
constexpr size_t kNodeRecordSize = 56;
constexpr size_t kLinkRecordSize = 24;

// Everything the section holds, read apart from the web until it is known to be sound.
struct WebSection {
  std::vector<WebThread> lists[kThreadListCount];
  std::vector<WebNode> nodes;
  std::vector<WebLink> links;
  std::vector<std::int32_t> marks0, marks1, marks2;
  std::vector<std::uint8_t> flags;
};

void WriteVector(WebWriter& writer, const D3DXVECTOR3& v) {
  writer.WriteFloat(v.x);
  writer.WriteFloat(v.y);
  writer.WriteFloat(v.z);
}

bool ReadVector(WebReader& reader, D3DXVECTOR3* v) {
  return reader.ReadFloat(&v->x) && reader.ReadFloat(&v->y) && reader.ReadFloat(&v->z);
}

bool Plausible(float value) {  // false for NaN
  return std::fabs(value) <= Cobweb::kMaxStoredMagnitude;
}

bool Plausible(const D3DXVECTOR3& v) {
  return Plausible(v.x) && Plausible(v.y) && Plausible(v.z);
}

void WriteThreadList(WebWriter& writer, const std::vector<WebThread>& threads) {
  WebChecksum checksum;
  writer.WriteInt(std::int32_t(threads.size()));
  for (const WebThread& thread : threads) {
    writer.WriteIntList(thread.Nodes);
    for (std::int32_t node : thread.Nodes) checksum.Add(node);
    writer.WriteIntList(thread.Links);
    for (std::int32_t link : thread.Links) checksum.Add(link);
    writer.WriteByte(thread.bFlag);
  }
  writer.WriteInt(checksum.Value());
}

bool ReadThreadList(WebReader& reader, std::vector<WebThread>* threads) {
  std::int32_t count = 0;
  if (!reader.ReadCount(kThreadRecordMin, &count)) return false;
  threads->assign(size_t(count), WebThread{});
  WebChecksum checksum;
  for (WebThread& thread : *threads) {
    if (!reader.ReadIntList(&thread.Nodes)) return false;
    for (std::int32_t node : thread.Nodes) checksum.Add(node);
    if (!reader.ReadIntList(&thread.Links)) return false;
    for (std::int32_t link : thread.Links) checksum.Add(link);
    if (!reader.ReadByte(&thread.bFlag)) return false;
  }
  std::int32_t stored = 0;
  return reader.ReadInt(&stored) && stored == checksum.Value();
}

bool ReadNodes(WebReader& reader, std::vector<WebNode>* nodes) {
  std::int32_t count = 0;
  if (!reader.ReadCount(kNodeRecordSize, &count)) return false;
  nodes->assign(size_t(count), WebNode{});
  for (WebNode& node : *nodes) {
    if (!ReadVector(reader, &node.vPos) || !ReadVector(reader, &node.vInward) ||
        !ReadVector(reader, &node.vVel) || !ReadVector(reader, &node.vForce) ||
        !reader.ReadFloat(&node.fWeight) || !reader.ReadInt(&node.bFixed))
      return false;
    // A node that is not a number would spread through every link it touches.
    if (!Plausible(node.vPos) || !Plausible(node.vInward) || !Plausible(node.vVel) ||
        !Plausible(node.vForce) || !Plausible(node.fWeight))
      return false;
  }
  return true;
}

bool ReadLinks(WebReader& reader, std::vector<WebLink>* links) {
  std::int32_t count = 0;
  if (!reader.ReadCount(kLinkRecordSize, &count)) return false;
  links->assign(size_t(count), WebLink{});
  for (WebLink& link : *links) {
    if (!reader.ReadInt(&link.iNodeA) || !reader.ReadInt(&link.iNodeB) ||
        !reader.ReadFloat(&link.fRest) || !reader.ReadFloat(&link.fStiffness) ||
        !reader.ReadFloat(&link.fDamping) || !reader.ReadInt(&link.iType))
      return false;
    if (!Plausible(link.fRest) || !Plausible(link.fStiffness) || !Plausible(link.fDamping))
      return false;
  }
  return true;
}

bool InRange(std::int32_t value, std::int32_t low, size_t end) {
  return value >= low && (value < 0 || size_t(value) < end);
}

// Every index of the section points into the lists it names.
bool IndicesFit(const WebSection& s) {
  const size_t nodes = s.nodes.size(), links = s.links.size();
  for (const auto& list : s.lists)
    for (const WebThread& thread : list) {
      for (std::int32_t node : thread.Nodes)
        if (!InRange(node, 0, nodes)) return false;
      for (std::int32_t link : thread.Links)
        if (!InRange(link, 0, links)) return false;
    }
  for (const WebLink& link : s.links)
    if (!InRange(link.iNodeA, 0, nodes) || !InRange(link.iNodeB, 0, nodes)) return false;
  // The spider leaves -1 where a mark is not set yet.
  for (std::int32_t mark : s.marks0)
    if (!InRange(mark, -1, nodes)) return false;
  for (std::int32_t mark : s.marks1)
    if (!InRange(mark, -1, nodes)) return false;
  for (std::int32_t bridge : s.marks2)
    if (!InRange(bridge, -1, s.lists[1].size())) return false;
  return true;
}

bool ReadSection(WebReader& reader, WebSection* s) {
  for (auto& list : s->lists)
    if (!ReadThreadList(reader, &list)) return false;
  if (!ReadNodes(reader, &s->nodes) || !ReadLinks(reader, &s->links)) return false;
  if (!reader.ReadIntList(&s->marks0) || !reader.ReadIntList(&s->marks1) ||
      !reader.ReadIntList(&s->marks2))
    return false;
  std::int32_t flagCount = 0;
  if (!reader.ReadCount(1, &flagCount)) return false;
  s->flags.resize(size_t(flagCount));
  for (std::uint8_t& flag : s->flags) reader.ReadByte(&flag);
  return IndicesFit(*s);
}

}  // namespace

int Cobweb::UnstorableValues() const {
  int count = 0;
  const auto check = [&count](const D3DXVECTOR3& v) { count += !Plausible(v); };
  for (const WebNode& node : Nodes) {
    check(node.vPos);
    check(node.vInward);
    check(node.vVel);
    check(node.vForce);
    count += !Plausible(node.fWeight);
  }
  for (const WebLink& link : Links)
    count += !Plausible(link.fRest) + !Plausible(link.fStiffness) + !Plausible(link.fDamping);
  return count;
}

void Cobweb::WriteSection(WebWriter& writer) const {
  WriteThreadList(writer, Threads0);
  WriteThreadList(writer, FrameThreads);
  WriteThreadList(writer, Radii);
  WriteThreadList(writer, Spiral);
  writer.WriteInt(std::int32_t(Nodes.size()));
  for (const WebNode& node : Nodes) {
    WriteVector(writer, node.vPos);
    WriteVector(writer, node.vInward);
    WriteVector(writer, node.vVel);
    WriteVector(writer, node.vForce);
    writer.WriteFloat(node.fWeight);
    writer.WriteInt(node.bFixed);
  }
  writer.WriteInt(std::int32_t(Links.size()));
  for (const WebLink& link : Links) {
    writer.WriteInt(link.iNodeA);
    writer.WriteInt(link.iNodeB);
    writer.WriteFloat(link.fRest);
    writer.WriteFloat(link.fStiffness);
    writer.WriteFloat(link.fDamping);
    writer.WriteInt(link.iType);
  }
  writer.WriteIntList(Marks0);
  writer.WriteIntList(Marks1);
  writer.WriteIntList(Marks2);
  writer.WriteInt(std::int32_t(Flags.size()));
  for (std::uint8_t flag : Flags) writer.WriteByte(flag);
}

int Cobweb::Save(std::FILE* file) const {
  if (!file) return 0;
  WebWriter writer;
  WriteSection(writer);
  const auto& bytes = writer.Bytes();
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? 1 : 0;
}

int Cobweb::LoadFromMemory(WebReader& reader) {
  WebSection section;
  if (!ReadSection(reader, &section)) return 0;

  Threads0 = std::move(section.lists[0]);
  FrameThreads = std::move(section.lists[1]);
  Radii = std::move(section.lists[2]);
  Spiral = std::move(section.lists[3]);
  Nodes = std::move(section.nodes);
  Links = std::move(section.links);
  Marks0 = std::move(section.marks0);
  Marks1 = std::move(section.marks1);
  Marks2 = std::move(section.marks2);
  Flags = std::move(section.flags);
  RebuildNodeLinks();
  // Riders are not stored; the ones that pointed into the old lists are taken off.
  for (WebSlider& slider : Sliders) {
    if (slider.iNode >= int(Nodes.size())) slider.iNode = -1;
    if (slider.iLink >= int(Links.size()) || slider.iNode < 0) slider.iLink = -1;
  }
  return 1;
}

int Cobweb::LoadFromMemory(const void* data, size_t size) {
  WebReader reader(data, size);
  return LoadFromMemory(reader);
}

int Cobweb::Load(std::FILE* file) {
  if (!file) return 0;
  const long start = std::ftell(file);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  WebReader reader(bytes.data(), bytes.size());
  const int result = LoadFromMemory(reader);
  // The caller reads the scene's sections on from where the web's section ends.
  if (start >= 0) std::fseek(file, start + long(reader.Position()), SEEK_SET);
  return result;
}

}  // namespace qm
