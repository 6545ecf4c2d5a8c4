// XFileTestHelpers: parsing from strings and files, and deep comparison of parsed objects,
// shared by the X-file and mesh tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "d3dx/XFile.h"
#include "d3dx/XFileLayout.h"
#include "d3dx/XFileStandardTemplates.h"

namespace xfiletest {

inline std::string TestDataPath(const std::string& name) {
  return std::string(QM_TESTDATA_DIR) + "/xfile/" + name;
}

inline std::vector<BYTE> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A parser with the standard templates and the last enumeration it made.
struct Parsed {
  std::unique_ptr<XFile> file;
  std::unique_ptr<XFileEnumObject> objects;
  HRESULT hr = E_FAIL;

  const XFileData& Object(size_t i) const { return *objects->Objects().at(i); }
  size_t Count() const { return objects ? objects->Objects().size() : 0; }
};

inline Parsed ParseBytes(const void* data, size_t size) {
  Parsed parsed;
  DirectXFileCreate(&parsed.file);
  EXPECT_EQ(XFileRegisterStandardTemplates(parsed.file.get()), S_OK);
  DXFILELOADMEMORY memory{data, static_cast<DWORD>(size)};
  parsed.hr = parsed.file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &parsed.objects);
  return parsed;
}

inline Parsed ParseText(const std::string& text) { return ParseBytes(text.data(), text.size()); }

inline Parsed ParseVector(const std::vector<BYTE>& bytes) {
  return ParseBytes(bytes.data(), bytes.size());
}

// One value of an object, as a number or (for strings) a text.
struct ObjectValue {
  double number = 0;
  std::string text;
};

// The object's values in template order.
inline std::vector<ObjectValue> Values(const XFileData& object) {
  struct Collector : XFileLayoutVisitor {
    const XFileData* object;
    std::vector<ObjectValue> values;
    void BeginMember(const XFileMember&, int, size_t, DWORD) override {}
    void ElementSeparator(const XFileMember&, int) override {}
    void EndMember(const XFileMember&, int, size_t) override {}
    void Value(XFileValueType type, size_t offset) override {
      const BYTE* p = object->Bytes().data() + offset;
      ObjectValue v;
      float f;
      double d;
      DWORD dw = 0;
      switch (type) {
        case XFileValueType::Float: std::memcpy(&f, p, 4); v.number = f; break;
        case XFileValueType::Double: std::memcpy(&d, p, 8); v.number = d; break;
        case XFileValueType::String: std::memcpy(&dw, p, 4); v.text = object->StringAt(dw); break;
        default: std::memcpy(&dw, p, XFileValueSize(type)); v.number = dw; break;
      }
      values.push_back(v);
    }
  } collector;
  collector.object = &object;
  size_t consumed = 0;
  EXPECT_TRUE(XFileWalkLayout(object.Template(), object.Bytes(), &collector, &consumed));
  EXPECT_EQ(consumed, object.Bytes().size());
  return collector.values;
}

// Same template, name, id, values (strings compared by text) and children, recursively.
inline void ExpectSameObject(const XFileData& a, const XFileData& b, const std::string& path) {
  SCOPED_TRACE(path);
  EXPECT_EQ(a.Template().name, b.Template().name);
  EXPECT_TRUE(a.GetType() == b.GetType());
  EXPECT_EQ(a.GetName(), b.GetName());
  EXPECT_TRUE(a.GetId() == b.GetId());
  std::vector<ObjectValue> va = Values(a), vb = Values(b);
  ASSERT_EQ(va.size(), vb.size());
  for (size_t i = 0; i < va.size(); ++i) {
    EXPECT_EQ(va[i].text, vb[i].text) << "value " << i;
    // Exporters print six decimals in text but store full floats in binary.
    EXPECT_NEAR(va[i].number, vb[i].number, 1e-6 * std::max(1.0, std::abs(va[i].number)))
        << "value " << i;
  }
  ASSERT_EQ(a.Children().size(), b.Children().size());
  for (size_t i = 0; i < a.Children().size(); ++i) {
    const XFileChild& ca = a.Children()[i];
    const XFileChild& cb = b.Children()[i];
    EXPECT_EQ(ca.isReference, cb.isReference);
    ASSERT_NE(ca.object, nullptr);
    ASSERT_NE(cb.object, nullptr);
    if (ca.isReference) {
      EXPECT_EQ(ca.object->GetName(), cb.object->GetName());
    } else {
      ExpectSameObject(*ca.object, *cb.object, path + "/" + ca.object->Template().name);
    }
  }
}

inline void ExpectSameFile(const Parsed& a, const Parsed& b) {
  ASSERT_EQ(a.hr, S_OK);
  ASSERT_EQ(b.hr, S_OK);
  ASSERT_EQ(a.Count(), b.Count());
  for (size_t i = 0; i < a.Count(); ++i) {
    ExpectSameObject(a.Object(i), b.Object(i), a.Object(i).Template().name);
  }
}

}  // namespace xfiletest
