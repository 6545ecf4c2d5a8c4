// XFileModelTestSupport: a recording device to load XFileModel into, and small X files
// written as text by the tests (frames, meshes, materials, animation sets).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "d3d/RecordingDevice8.h"
#include "d3d/RecordingDirect3D8.h"
#include "support/RecordingDevice.h"
#include "scene/XFileModel.h"

namespace qm::xmodeltest {

inline const std::string kXFileDir = QM_TESTDATA_DIR "/xfile/";
inline const char kHeader[] = "xof 0303txt 0032\n";

// A recording device shared by the tests of one fixture; the log is cleared before each.
class RecordingModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_device = testing::CreateRecordingDevice(m_direct3D, {}, testing::TestBackBuffer(320, 240));
    ASSERT_NE(m_device, nullptr);
  }
  void TearDown() override { m_direct3D->Release(); }

  CallLog& Log() { return *m_direct3D->Log(); }

  // Loads X text from memory under the name "test.x"; textures come from the disk.
  HRESULT LoadText(XFileModel* model, const std::string& body) {
    model->SetFileName("test.x");
    model->SetFromArchive(false);
    const std::string text = kHeader + body;
    return model->LoadFromMemory(m_device, text.data(), static_cast<DWORD>(text.size()));
  }

  HRESULT LoadTestFile(XFileModel* model, const std::string& name) {
    const std::string path = kXFileDir + name;
    model->SetFileName(path.c_str());
    model->SetFromArchive(false);
    return model->Load(m_device);
  }

  RecordingDirect3D8* m_direct3D = nullptr;
  RecordingDevice8* m_device = nullptr;
};

// ---- X text builders ------------------------------------------------------------------------

inline std::string Matrix(const D3DXMATRIX& m) {
  std::ostringstream out;
  for (int i = 0; i < 16; ++i) out << m.m[i / 4][i % 4] << (i < 15 ? "," : ";;");
  return out.str();
}

inline std::string FrameTransform(const D3DXMATRIX& m) {
  return "FrameTransformMatrix { " + Matrix(m) + " }\n";
}

inline D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// A quad of two triangles in the z = 0 plane from (x0, y0) to (x1, y1), normals +z, with
// `materials` materials: the first triangle uses material 0, the second the last one.
inline std::string QuadMesh(float x0, float y0, float x1, float y1, int materials = 1,
                            const std::string& texture = "") {
  std::ostringstream out;
  out << "Mesh {\n4;\n" << x0 << ";" << y0 << ";0;," << x0 << ";" << y1 << ";0;," << x1 << ";"
      << y1 << ";0;," << x1 << ";" << y0 << ";0;;\n2;\n3;0,1,2;,3;0,2,3;;\n"
      << "MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;,3;0,0,0;; }\n"
      << "MeshTextureCoords { 4; 0;1;,0;0;,1;0;,1;1;; }\n"
      << "MeshMaterialList { " << materials << "; 2; 0," << materials - 1 << ";\n";
  for (int i = 0; i < materials; ++i) {
    out << "Material { 0.8;0.6;0.4;1.0;; 10.0; 0.1;0.2;0.3;; 0;0;0;; ";
    if (i == 0 && !texture.empty()) out << "TextureFilename { \"" << texture << "\"; } ";
    out << "}\n";
  }
  out << "}\n}\n";
  return out.str();
}

inline std::string Frame(const std::string& name, const std::string& body) {
  return "Frame " + name + " {\n" + body + "}\n";
}

// AnimationKey text: type, then per key its time and values.
inline std::string Keys(int type, const std::vector<std::pair<int, std::vector<float>>>& keys) {
  std::ostringstream out;
  out << "AnimationKey { " << type << "; " << keys.size() << ";\n";
  for (size_t k = 0; k < keys.size(); ++k) {
    out << keys[k].first << "; " << keys[k].second.size() << "; ";
    for (size_t v = 0; v < keys[k].second.size(); ++v) {
      out << keys[k].second[v] << (v + 1 < keys[k].second.size() ? "," : ";;");
    }
    out << (k + 1 < keys.size() ? ",\n" : ";\n");
  }
  out << "}\n";
  return out.str();
}

inline std::string Animation(const std::string& target, const std::string& keys) {
  return "Animation { {" + target + "}\n" + keys + "}\n";
}

inline std::string AnimationSet(const std::string& name, const std::string& animations) {
  return "AnimationSet " + name + " {\n" + animations + "}\n";
}

inline std::vector<float> MatrixValues(const D3DXMATRIX& m) {
  return std::vector<float>(&m._11, &m._11 + 16);
}

}  // namespace qm::xmodeltest
