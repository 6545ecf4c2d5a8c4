// The saver's own X-file parser reads every model the generator writes (the same files the
// scene loads from the archive), with one top-level object per frame and animation set.
#include <gtest/gtest.h>

#include "Creatures.h"
#include "ForestModel.h"
#include "d3dx/XFile.h"
#include "d3dx/XFileStandardTemplates.h"

namespace qm::test {
namespace {

size_t ParseTopLevelObjects(const std::string& text, std::string& error) {
  std::unique_ptr<XFile> file;
  DirectXFileCreate(&file);
  XFileRegisterStandardTemplates(file.get());
  std::unique_ptr<XFileEnumObject> objects;
  DXFILELOADMEMORY memory{text.data(), static_cast<DWORD>(text.size())};
  if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects))) {
    error = file->LastError();
    return 0;
  }
  return objects->Objects().size();
}

TEST(MediagenModelParseTest, ReadsEveryGeneratedModel) {
  std::vector<gen::NamedModel> models = gen::BuildCreatures();
  models.push_back({"forest.X", gen::BuildForest()});
  for (const gen::NamedModel& m : models) {
    std::string error;
    size_t expected = m.model.frames.size() + (m.model.sets.empty() ? 0 : 1 + m.model.sets.size());
    EXPECT_EQ(ParseTopLevelObjects(gen::WriteXText(m.model), error), expected) << m.fileName << ": " << error;
  }
}

}  // namespace
}  // namespace qm::test
