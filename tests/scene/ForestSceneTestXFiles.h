// ForestSceneTestXFiles: small forests written as X text, packed into test archives, and a
// recording device to load and draw them, for the scene assembly tests.
//
// A test forest is a list of top-level frames: path frames (points as the first half of a
// strip mesh's vertices), a cylinder "tree" with radial normals, plain named frames.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "d3d/RecordingDevice8.h"
#include "d3d/RecordingDirect3D8.h"
#include "support/RecordingDevice.h"
#include "d3dx/D3DXMath.h"
#include "media/MediaArchive.h"
#include "RarPacker.h"

namespace qm::scenetest {

inline std::string Floats(const std::vector<D3DXVECTOR3>& v) {
  std::ostringstream out;
  for (size_t i = 0; i < v.size(); ++i) {
    out << v[i].x << ";" << v[i].y << ";" << v[i].z << ";" << (i + 1 < v.size() ? "," : ";")
        << "\n";
  }
  return out.str();
}

inline std::string TransformText(const D3DXMATRIX& m) {
  std::ostringstream out;
  out << "FrameTransformMatrix {\n";
  for (int i = 0; i < 16; ++i) out << m.m[i / 4][i % 4] << (i < 15 ? "," : ";;\n");
  out << "}\n";
  return out.str();
}

// A mesh of triangles; normals (one per vertex) are written when given.
inline std::string MeshText(const std::vector<D3DXVECTOR3>& vertices,
                            const std::vector<std::array<int, 3>>& faces,
                            const std::vector<D3DXVECTOR3>& normals = {}) {
  std::ostringstream out;
  out << "Mesh {\n" << vertices.size() << ";\n" << Floats(vertices) << faces.size() << ";\n";
  std::ostringstream faceText;
  for (size_t i = 0; i < faces.size(); ++i) {
    faceText << "3;" << faces[i][0] << "," << faces[i][1] << "," << faces[i][2] << ";"
             << (i + 1 < faces.size() ? "," : ";") << "\n";
  }
  out << faceText.str();
  if (!normals.empty()) {
    out << "MeshNormals {\n" << normals.size() << ";\n" << Floats(normals) << faces.size()
        << ";\n" << faceText.str() << "}\n";
  }
  out << "}\n";
  return out.str();
}

inline std::string FrameText(const std::string& name, const D3DXMATRIX& transform,
                             const std::string& body) {
  return "Frame " + name + " {\n" + TransformText(transform) + body + "}\n";
}

inline D3DXMATRIX Identity() {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  return m;
}

// A path frame: the points, then the same points raised by 0.5 in z, joined as a strip.
inline std::string PathFrame(const std::string& name, const std::vector<D3DXVECTOR3>& points,
                             const D3DXMATRIX& transform = Identity()) {
  std::vector<D3DXVECTOR3> vertices = points;
  for (const D3DXVECTOR3& p : points) vertices.push_back(p + D3DXVECTOR3(0, 0, 0.5f));
  const int n = static_cast<int>(points.size());
  std::vector<std::array<int, 3>> faces;
  for (int i = 0; i + 1 < n; ++i) {
    faces.push_back({i, i + 1, n + i});
    faces.push_back({i + 1, n + i + 1, n + i});
  }
  return FrameText(name, transform, MeshText(vertices, faces));
}

// A frame with a small triangle, so the model has extent.
inline std::string MarkerFrame(const std::string& name, const D3DXMATRIX& transform = Identity()) {
  return FrameText(name, transform,
                   MeshText({{-1, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 1, 2}}));
}

// An upright cylinder about the z axis with radial normals: the "tree" of the up vectors.
inline std::string CylinderTree(const std::string& name, float radius, float height,
                                int segments = 24, int rings = 8) {
  std::vector<D3DXVECTOR3> vertices, normals;
  std::vector<std::array<int, 3>> faces;
  for (int r = 0; r <= rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const float a = 2.0f * D3DX_PI * static_cast<float>(s) / static_cast<float>(segments);
      vertices.push_back({radius * std::cos(a), radius * std::sin(a), height * r / rings});
      normals.push_back({std::cos(a), std::sin(a), 0.0f});
    }
  }
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < segments; ++s) {
      const int a = r * segments + s, b = r * segments + (s + 1) % segments;
      faces.push_back({a, b, a + segments});
      faces.push_back({b, b + segments, a + segments});
    }
  }
  return FrameText(name, Identity(), MeshText(vertices, faces, normals));
}

inline std::string XFileText(const std::vector<std::string>& frames) {
  std::string text = "xof 0303txt 0032\n";
  for (const std::string& frame : frames) text += frame;
  return text;
}

// A 2 x 2 BMP picture, 24 bits.
inline std::vector<std::uint8_t> TinyBmp() {
  std::vector<std::uint8_t> bmp(54 + 16, 0);
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bmp.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  bmp[26] = 1;
  bmp[28] = 24;
  put32(34, 16);
  for (size_t i = 54; i < bmp.size(); ++i) bmp[i] = 0x80;
  return bmp;
}

// A stored (unpacked, unencrypted) archive of the given entries.
inline PackEntry TextEntry(const std::string& name, const std::string& text);

// A scene archive (one with "forest.x") also gets what the scene loads besides the forest,
// unless the test brings its own: small models for the spider and the insects, and a tiny
// picture for each texture of the rays, the web and the drops.
inline std::vector<std::uint8_t> PackStored(std::vector<PackEntry> entries) {
  auto has = [&](const char* name) {
    for (const PackEntry& entry : entries)
      if (entry.name == name) return true;
    return false;
  };
  if (has("forest.x")) {
    for (const char* model : {"spider.x", "ant.x", "bug.x", "ladybird.x"}) {
      if (!has(model))
        entries.push_back(TextEntry(model, XFileText({CylinderTree("body", 0.5f, 1.0f)})));
    }
    for (const char* picture : {"rays.jpg", "env.jpg", "radii.jpg", "spirals.jpg"}) {
      if (!has(picture)) entries.push_back({picture, TinyBmp(), false});
    }
  }
  PackOptions options;
  options.method = PackMethod::kStore;
  std::vector<std::uint8_t> archive;
  std::string error;
  EXPECT_TRUE(PackArchive(entries, options, archive, error)) << error;
  return archive;
}

inline PackEntry TextEntry(const std::string& name, const std::string& text) {
  return {name, std::vector<std::uint8_t>(text.begin(), text.end()), false};
}

// A recording device; the log is cleared once the device exists.
class RecordingDeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    D3DPRESENT_PARAMETERS parameters = testing::TestBackBuffer(320, 240);
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    m_device = testing::CreateRecordingDevice(m_direct3D, {}, parameters);
    ASSERT_NE(m_device, nullptr);
  }
  void TearDown() override { m_direct3D->Release(); }

  RecordingDirect3D8* m_direct3D = nullptr;
  RecordingDevice8* m_device = nullptr;
};

}  // namespace qm::scenetest
