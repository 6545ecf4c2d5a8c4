// A small CPU rasteriser that draws a generated model the way the saver lights it (one
// directional light shining along +y, diffuse plus emissive, textures modulated, alpha test
// at 170) so that a person can look at the media as PNG files without a GPU. Used by
// `qm-mediagen --preview DIR`.
#pragma once

#include <map>
#include <string>

#include "Image.h"
#include "XModel.h"

namespace qm::gen {

// A look-at camera with a vertical field of view.
struct PreviewCamera {
  Vec3 eye, at, up{0, 0, 1};
  float fovY = kPi / 4;
};

// The saver's camera: eye (-10, -138.308, -14), looking along +y, slightly raised.
PreviewCamera SaverCamera();

class Previewer {
 public:
  explicit Previewer(const std::map<std::string, Image>* textures) : m_textures(textures) {}
  // Starts a picture; the background (if any) fills the quad the scene draws at y = 100.
  void Begin(int w, int h, const PreviewCamera& cam, const Image* background, Rgba clear);
  // Draws the model with `world` applied after its own frame matrices (for the forest: the
  // loader's re-centring).
  void Draw(const XModel& model, const Mat4& world);
  const Image& Result() const { return m_img; }

 private:
  struct Vert {
    float sx, sy, invW;
    Vec3 n;
    float u, v;
  };
  void Triangle(const Vert& a, const Vert& b, const Vert& c, const XMaterial& mat, const Image* tex);
  bool Project(Vec3 p, float& sx, float& sy, float& invW) const;
  void DrawBackground(const Image& bg);

  const std::map<std::string, Image>* m_textures;
  Image m_img;
  std::vector<float> m_depth;
  PreviewCamera m_cam;
  Vec3 m_fwd, m_right, m_upv;
  float m_scale = 1;
};

}  // namespace qm::gen
