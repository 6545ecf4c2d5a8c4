// CPU preview rasteriser: see Preview.h.
#include "Preview.h"

#include <algorithm>
#include <cmath>

namespace qm::gen {

PreviewCamera SaverCamera() {
  PreviewCamera c;
  c.eye = {-10, -138.308f, -14};
  float tilt = 0.014279967f;
  c.at = c.eye + Vec3{0, 100 * std::cos(tilt), 100 * std::sin(tilt)};
  return c;
}

void Previewer::Begin(int w, int h, const PreviewCamera& cam, const Image* background, Rgba clear) {
  m_img = Image(w, h, clear);
  m_depth.assign(static_cast<size_t>(w) * h, 1e30f);
  m_cam = cam;
  m_fwd = Normalize(cam.at - cam.eye);
  m_right = Normalize(Cross(m_fwd, cam.up));
  m_upv = Cross(m_right, m_fwd);
  m_scale = (h / 2.0f) / std::tan(cam.fovY / 2);
  if (background) DrawBackground(*background);
}

bool Previewer::Project(Vec3 p, float& sx, float& sy, float& invW) const {
  Vec3 d = p - m_cam.eye;
  float z = Dot(d, m_fwd);
  if (z < 1) return false;
  sx = m_img.Width() / 2.0f + Dot(d, m_right) / z * m_scale;
  sy = m_img.Height() / 2.0f - Dot(d, m_upv) / z * m_scale;
  invW = 1 / z;
  return true;
}

void Previewer::DrawBackground(const Image& bg) {
  // The quad spans x -130..125 and z -110..102 at y = 100; unlit, no depth.
  for (int y = 0; y < m_img.Height(); ++y)
    for (int x = 0; x < m_img.Width(); ++x) {
      Vec3 ray = m_fwd + m_right * ((x + 0.5f - m_img.Width() / 2.0f) / m_scale) -
                 m_upv * ((y + 0.5f - m_img.Height() / 2.0f) / m_scale);
      float t = (100 - m_cam.eye.y) / ray.y;
      Vec3 p = m_cam.eye + ray * t;
      float u = (p.x + 130) / 255, v = (102 - p.z) / 212;
      if (u < 0 || u > 1 || v < 0 || v > 1) continue;
      m_img.At(x, y) = bg.Sample(u * bg.Width(), v * bg.Height(), false);
    }
}

void Previewer::Draw(const XModel& model, const Mat4& world) {
  for (const XFrame& top : model.frames)
    ForEachFrame(top, world, [&](const XFrame& frame, const Mat4& m) {
      for (const XMesh& mesh : frame.meshes) {
        std::vector<Vert> verts(mesh.positions.size());
        std::vector<bool> ok(mesh.positions.size());
        for (size_t i = 0; i < verts.size(); ++i) {
          Vert& v = verts[i];
          ok[i] = Project(TransformPoint(m, mesh.positions[i]), v.sx, v.sy, v.invW);
          v.n = Normalize(TransformNormal(m, mesh.normals[i]));
          v.u = mesh.uvs[i][0];
          v.v = mesh.uvs[i][1];
        }
        for (size_t f = 0; f < mesh.faces.size(); ++f) {
          const auto& fc = mesh.faces[f];
          if (!ok[fc[0]] || !ok[fc[1]] || !ok[fc[2]]) continue;
          const XMaterial& mat = mesh.materials[mesh.faceMaterials[f]];
          const Image* tex = nullptr;
          if (m_textures && !mat.texture.empty()) {
            auto it = m_textures->find(mat.texture);
            if (it != m_textures->end()) tex = &it->second;
          }
          Triangle(verts[fc[0]], verts[fc[1]], verts[fc[2]], mat, tex);
        }
      }
    });
}

void Previewer::Triangle(const Vert& a, const Vert& b, const Vert& c, const XMaterial& mat, const Image* tex) {
  float area = (b.sx - a.sx) * (c.sy - a.sy) - (b.sy - a.sy) * (c.sx - a.sx);
  if (std::fabs(area) < 1e-6f) return;
  int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.sx, b.sx, c.sx}))));
  int x1 = std::min(m_img.Width() - 1, static_cast<int>(std::ceil(std::max({a.sx, b.sx, c.sx}))));
  int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.sy, b.sy, c.sy}))));
  int y1 = std::min(m_img.Height() - 1, static_cast<int>(std::ceil(std::max({a.sy, b.sy, c.sy}))));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float w0 = ((b.sx - px) * (c.sy - py) - (b.sy - py) * (c.sx - px)) / area;
      float w1 = ((c.sx - px) * (a.sy - py) - (c.sy - py) * (a.sx - px)) / area;
      float w2 = 1 - w0 - w1;
      if (w0 < 0 || w1 < 0 || w2 < 0) continue;
      float iw = w0 * a.invW + w1 * b.invW + w2 * c.invW;
      float depth = 1 / iw;
      size_t di = static_cast<size_t>(y) * m_img.Width() + x;
      if (depth >= m_depth[di]) continue;
      float k0 = w0 * a.invW / iw, k1 = w1 * b.invW / iw, k2 = w2 * c.invW / iw;
      Vec3 n = Normalize(a.n * k0 + b.n * k1 + c.n * k2);
      float lambert = std::max(0.0f, -n.y);
      Rgba col{mat.diffuse.r * lambert + mat.emissive.x, mat.diffuse.g * lambert + mat.emissive.y,
               mat.diffuse.b * lambert + mat.emissive.z, 1};
      if (tex) {
        float u = a.u * k0 + b.u * k1 + c.u * k2, v = a.v * k0 + b.v * k1 + c.v * k2;
        Rgba t = tex->Sample(u * tex->Width(), v * tex->Height(), true);
        if (t.a < 170.0f / 255.0f) continue;
        col = {col.r * t.r, col.g * t.g, col.b * t.b, 1};
      }
      m_depth[di] = depth;
      m_img.At(x, y) = {std::min(col.r, 1.0f), std::min(col.g, 1.0f), std::min(col.b, 1.0f), 1};
    }
}

}  // namespace qm::gen
