// XFile parsing of small hand-written files: header checks, templates declared in the file,
// arrays sized by earlier members, references, skipped objects, and bad input that must
// fail with an error code.
#include <gtest/gtest.h>

#include <string>

#include "XFileTestHelpers.h"
#include "d3dx/XFileDataReader.h"
#include "support/TestData.h"

namespace {

using xfiletest::Parsed;
using xfiletest::ParseText;

const char kHeader[] = "xof 0303txt 0032\n";

TEST(XFileParser, HeaderChecks) {
  EXPECT_EQ(ParseText("").hr, DXFILEERR_BADFILETYPE);
  EXPECT_EQ(ParseText("xof 0303tx").hr, DXFILEERR_BADFILETYPE);
  EXPECT_EQ(ParseText("xxx 0303txt 0032").hr, DXFILEERR_BADFILETYPE);
  EXPECT_EQ(ParseText("xof 0304txt 0032").hr, DXFILEERR_BADFILEVERSION);
  EXPECT_EQ(ParseText("xof 0303zip 0032").hr, DXFILEERR_BADFILETYPE);
  EXPECT_EQ(ParseText("xof 0303txt 0016").hr, DXFILEERR_BADFILEFLOATSIZE);
  EXPECT_EQ(ParseText("xof 0302txt 0064").hr, S_OK);
  // A compressed header with nothing after it has no size to decompress.
  EXPECT_TRUE(FAILED(ParseText("xof 0303bzip0032").hr));
}

TEST(XFileParser, DeclaredTemplateWithDependentArrays) {
  Parsed parsed = ParseText(std::string(kHeader) + R"(
    // comments of both kinds are skipped
    # like this one
    template Grid {
      <01234567-89ab-cdef-0123-456789abcdef>
      WORD columns;
      DWORD rows;
      array FLOAT cells[rows][columns];
      STRING label;
      array Coords2d corners[2];
    }
    Grid small { 3; 2; 1.0, 2.0, 3.0, 4.0, 5.0, 6.5;; "a {b} c"; 0;1;, -2;3e2;; }
  )");
  ASSERT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
  ASSERT_EQ(parsed.Count(), 1u);
  const XFileData& grid = parsed.Object(0);
  EXPECT_EQ(grid.GetName(), "small");
  EXPECT_EQ(XFileGuidToString(grid.GetType()), "01234567-89ab-cdef-0123-456789abcdef");
  XFileDataReader reader(grid);
  EXPECT_EQ(reader.Word(), 3);
  EXPECT_EQ(reader.Dword(), 2u);
  float cells[6];
  reader.Floats(cells, 6);
  EXPECT_FLOAT_EQ(cells[5], 6.5f);
  EXPECT_EQ(reader.String(), "a {b} c");
  float corners[4];
  reader.Floats(corners, 4);
  EXPECT_FLOAT_EQ(corners[2], -2.0f);
  EXPECT_FLOAT_EQ(corners[3], 300.0f);
  EXPECT_TRUE(reader.Ok());
  EXPECT_EQ(reader.Remaining(), 0u);
  // d3dxof-style member access.
  DWORD size = 0;
  const void* data = nullptr;
  ASSERT_EQ(grid.GetData("cells", &size, &data), S_OK);
  EXPECT_EQ(size, 24u);
  EXPECT_EQ(grid.GetData("missing", &size, &data), DXFILEERR_BADVALUE);
  // The file's template stays with the file, not with the parser.
  EXPECT_NE(parsed.objects->FileTemplates().Find("Grid"), nullptr);
  EXPECT_EQ(parsed.file->Templates().Find("Grid"), nullptr);
}

TEST(XFileParser, EnumerationAndReferences) {
  Parsed parsed = ParseText(std::string(kHeader) + R"(
    Material shiny { 1;1;1;1;; 5; 0;0;0;; 0;0;0;; }
    Frame outer {
      Frame inner { }
      Animation { { inner } }
    }
    AnimationSet walk { Animation { { outer } AnimationOptions { 1; 0; } } }
    Frame { <11111111-2222-3333-4444-555555555555> }
    Frame byId { { <11111111-2222-3333-4444-555555555555> } }
  )");
  ASSERT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
  const XFileData* object = nullptr;
  std::vector<std::string> names;
  while (parsed.objects->GetNextDataObject(&object) == S_OK) names.push_back(object->GetName());
  EXPECT_EQ(names, (std::vector<std::string>{"shiny", "outer", "walk", "", "byId"}));
  EXPECT_EQ(parsed.objects->GetNextDataObject(&object), DXFILEERR_NOMOREOBJECTS);

  const XFileData& outer = parsed.Object(1);
  const XFileData* inner = outer.Children()[0].object;
  const XFileChild& ref = outer.Children()[1].object->Children()[0];
  EXPECT_TRUE(ref.isReference);
  EXPECT_EQ(ref.object, inner);  // nested objects can be referenced too
  const XFileData* walk = parsed.Object(2).Children()[0].object;
  EXPECT_EQ(walk->Children()[0].object, &outer);
  EXPECT_EQ(walk->ChildrenOfType(TID_D3DRMAnimationOptions).size(), 1u);
  // An unnamed object is found by its GUID.
  EXPECT_EQ(parsed.Object(4).Children()[0].object, &parsed.Object(3));
}

TEST(XFileParser, UnknownTemplatesAreSkippedWhole) {
  Parsed parsed = ParseText(std::string(kHeader) + R"(
    Mystery thing { 1; "}"; Nested { {ref} 2.0; } }
    Frame kept { Unheard { 3; } FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,4,5,6,1;; } }
  )");
  ASSERT_EQ(parsed.hr, S_OK) << parsed.file->LastError();
  ASSERT_EQ(parsed.Count(), 1u);
  EXPECT_EQ(parsed.Object(0).GetName(), "kept");
  ASSERT_EQ(parsed.Object(0).Children().size(), 1u);
  EXPECT_EQ(parsed.Object(0).Children()[0].object->Template().name, "FrameTransformMatrix");
}

TEST(XFileParser, BadInputFailsWithAnErrorCode) {
  const char* cases[] = {
      "Frame a {",                                  // unterminated brace
      "Frame a { Frame b { }",                      // unterminated nested brace
      "TextureFilename { \"never closed; }",        // unterminated string
      "Frame a { { nobody } }",                     // reference to a missing object
      "Vector { 1; 2; }",                           // too few values
      "Vector { 1; 2; x; }",                        // a name where a number belongs
      "TextureFilename { 5; }",                     // a number where a string belongs
      "Mesh { 4000000000; }",                       // a count larger than the file
      "MeshFace { 2; 1, 2, 3; }",                   // more values than declared
      "template T { <01234567-89ab-cdef-0123-456789abcdef> Missing m; }",  // unknown type
      "template T { <01234567-89ab-cdef-0123-456789abcdef> array DWORD v[n]; }",
      "Frame a { <zz> }",                           // malformed GUID
      "}",
  };
  for (const char* body : cases) {
    Parsed parsed = ParseText(std::string(kHeader) + body);
    EXPECT_TRUE(FAILED(parsed.hr)) << body;
    EXPECT_EQ(parsed.objects, nullptr) << body;
    EXPECT_FALSE(parsed.file->LastError().empty()) << body;
  }
  EXPECT_EQ(ParseText(std::string(kHeader) + "Frame a { { nobody } }").hr,
            DXFILEERR_BADDATAREFERENCE);
  EXPECT_EQ(ParseText(std::string(kHeader) + "Mesh { 4000000000; }").hr, DXFILEERR_BADARRAYSIZE);
}

TEST(XFileParser, DeepNestingIsRefused) {
  std::string body = kHeader;
  for (int i = 0; i < 5000; ++i) body += "Frame {";
  for (int i = 0; i < 5000; ++i) body += "}";
  EXPECT_EQ(ParseText(body).hr, DXFILEERR_PARSEERROR);
}

TEST(XFileParser, TemplateNamesIgnoreCaseAfterAnExactMiss) {
  Parsed parsed = ParseText(std::string(kHeader) + "TextureFileName { \"bark.jpg\"; }");
  ASSERT_EQ(parsed.hr, S_OK);
  EXPECT_TRUE(parsed.Object(0).GetType() == TID_D3DRMTextureFilename);
}

TEST(XFileParser, ReadsFromDisk) {
  QM_SKIP_WITHOUT_TESTDATA();
  std::unique_ptr<XFile> file;
  ASSERT_EQ(DirectXFileCreate(&file), S_OK);
  ASSERT_EQ(XFileRegisterStandardTemplates(file.get()), S_OK);
  std::unique_ptr<XFileEnumObject> objects;
  std::string path = xfiletest::TestDataPath("test.x");
  EXPECT_EQ(file->CreateEnumObject(path.c_str(), DXFILELOAD_FROMFILE, &objects), S_OK);
  ASSERT_NE(objects, nullptr);
  EXPECT_EQ(objects->Objects().size(), 1u);
  std::string missing = xfiletest::TestDataPath("no-such-file.x");
  EXPECT_EQ(file->CreateEnumObject(missing.c_str(), DXFILELOAD_FROMFILE, &objects),
            DXFILEERR_FILENOTFOUND);
}

}  // namespace
