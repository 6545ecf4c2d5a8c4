// XFileModel on the OpenGL back end: a lit, textured cube read from an X file, seen from a
// corner under one directional light (the saver's light: diffuse 1, ambient 0.35, travelling
// along +y). The face toward the light shows the texture; faces the light does not reach
// stay dark, because loaded materials have no ambient colour.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "d3d/gl/GlTestDevice.h"
#include "scene/XFileModel.h"

namespace qm {
namespace {

// A cube from -1 to 1 with one normal per face and quads (fanned into triangles on load).
std::string CubeText(const std::string& texture) {
  const int axes[6][3][3] = {
      {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}},
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
  };
  const int corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
  std::ostringstream vertices, normals, faces, uv;
  for (int f = 0; f < 6; ++f) {
    const auto& n = axes[f][0];
    for (int c = 0; c < 4; ++c) {
      const auto& u = axes[f][1];
      const auto& v = axes[f][2];
      for (int k = 0; k < 3; ++k) {
        vertices << n[k] + corners[c][0] * u[k] + corners[c][1] * v[k] << ";";
      }
      vertices << (f == 5 && c == 3 ? ";" : ",");
      uv << (corners[c][0] + 1) / 2 << ";" << (corners[c][1] + 1) / 2 << ";"
         << (f == 5 && c == 3 ? ";" : ",");
    }
    normals << n[0] << ";" << n[1] << ";" << n[2] << ";" << (f == 5 ? ";" : ",");
    faces << "4;" << 4 * f << "," << 4 * f + 1 << "," << 4 * f + 2 << "," << 4 * f + 3 << ";"
          << (f == 5 ? ";" : ",");
  }
  std::ostringstream nfaces;
  for (int f = 0; f < 6; ++f) nfaces << "4;" << f << "," << f << "," << f << "," << f << ";" << (f == 5 ? ";" : ",");
  std::ostringstream out;
  out << "xof 0303txt 0032\nFrame Cube {\nMesh {\n24;\n" << vertices.str() << "\n6;\n"
      << faces.str() << "\nMeshNormals { 6; " << normals.str() << " 6; " << nfaces.str()
      << " }\nMeshTextureCoords { 24; " << uv.str() << " }\n"
      << "MeshMaterialList { 1; 6; 0,0,0,0,0,0; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; "
      << "TextureFilename { \"" << texture << "\"; } } }\n}\n}\n";
  return out.str();
}

class XFileModelGlTest : public GlDeviceTest {};

TEST_F(XFileModelGlTest, LitFaceOfATexturedCubeIsBrighterThanOnesTheLightMisses) {
  const std::string dir = QM_BINARY_DIR "/xmodel_gl";
  std::filesystem::create_directories(dir);
  // A 2x2 texture of light grey (0xC0), as a 32-bit TGA.
  std::vector<unsigned char> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 8};
  for (int i = 0; i < 4; ++i) tga.insert(tga.end(), {0xC0, 0xC0, 0xC0, 0xFF});
  std::ofstream(dir + "/grey.tga", std::ios::binary)
      .write(reinterpret_cast<const char*>(tga.data()), static_cast<std::streamsize>(tga.size()));
  std::ofstream(dir + "/cube.x") << CubeText("grey.tga");

  XFileModel model((dir + "/cube.x").c_str());
  model.SetFromArchive(false);
  ASSERT_EQ(model.Load(m_device), S_OK);
  ASSERT_NE(model.FindFrame("Cube")->pFirstMesh->textures[0], nullptr);
  EXPECT_FLOAT_EQ(model.Radius(), std::sqrt(3.0f));

  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {1, 1, 1, 0};
  light.Ambient = {0.35f, 0.35f, 0.35f, 0};
  light.Direction = {0, 1, 0};
  m_device->SetLight(0, &light);
  m_device->LightEnable(0, TRUE);
  m_device->SetRenderState(D3DRS_LIGHTING, TRUE);
  m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

  const D3DXVECTOR3 eye(3, -4, 2.5f), at(0, 0, 0), up(0, 0, 1);
  D3DXMATRIX view, projection, world, viewProjection;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 4.0f / 3.0f, 0.1f, 100.0f);
  D3DXMatrixIdentity(&world);
  m_device->SetTransform(D3DTS_VIEW, &view);
  m_device->SetTransform(D3DTS_PROJECTION, &projection);
  m_device->SetTransform(D3DTS_WORLD, &world);
  RenderFrame(0x000000FF, [&] { model.Render(); });

  D3DXMatrixMultiply(&viewProjection, &view, &projection);
  auto pixelAt = [&](float x, float y, float z) {
    D3DXVECTOR3 p(x, y, z), clip;
    D3DXVec3TransformCoord(&clip, &p, &viewProjection);
    const int px = static_cast<int>((clip.x + 1) / 2 * kWidth);
    const int py = static_cast<int>((1 - clip.y) / 2 * kHeight);
    return Pixel(px, py);
  };
  const DWORD lit = pixelAt(0, -1, 0);     // faces the camera and the light
  const DWORD side = pixelAt(1, 0, 0);     // edge-on to the light
  const DWORD top = pixelAt(0, 0, 1);
  EXPECT_NEAR(static_cast<int>(lit & 0xFF), 0xC0, 8) << std::hex << lit;
  EXPECT_LT(side & 0xFF, 0x10u) << std::hex << side;
  EXPECT_LT(top & 0xFF, 0x10u) << std::hex << top;
  EXPECT_EQ(Pixel(5, 5), 0x0000FFu);  // the background around it
}

}  // namespace
}  // namespace qm
