// X-file model and text writer: see XModel.h.
#include "XModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm::gen {

uint32_t XMesh::AddVertex(Vec3 p, Vec3 n, float u, float v) {
  positions.push_back(p);
  normals.push_back(Normalize(n));
  uvs.push_back({u, v});
  return static_cast<uint32_t>(positions.size() - 1);
}

void XMesh::AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint32_t material) {
  faces.push_back({a, b, c});
  faceMaterials.push_back(material);
}

void XMesh::Append(const XMesh& other, uint32_t materialOffset) {
  uint32_t base = static_cast<uint32_t>(positions.size());
  positions.insert(positions.end(), other.positions.begin(), other.positions.end());
  normals.insert(normals.end(), other.normals.begin(), other.normals.end());
  uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
  for (size_t i = 0; i < other.faces.size(); ++i) {
    const auto& f = other.faces[i];
    AddTriangle(f[0] + base, f[1] + base, f[2] + base, other.faceMaterials[i] + materialOffset);
  }
}

void XMesh::Transform(const Mat4& m) {
  for (Vec3& p : positions) p = TransformPoint(m, p);
  for (Vec3& n : normals) n = Normalize(TransformNormal(m, n));
}

XFrame* XFrame::Find(const std::string& frameName) {
  if (name == frameName) return this;
  for (XFrame& c : children)
    if (XFrame* f = c.Find(frameName)) return f;
  return nullptr;
}

// ---- text writer -------------------------------------------------------------------------

namespace {

// Fixed form with up to five decimals and never fewer than one: readers that take a comma
// for a decimal point (as some X-file importers do) would read "1,0" as one number.
void Num(std::string& out, float v) {
  char buf[32];
  if (std::fabs(v) < 5e-6f) v = 0;
  std::snprintf(buf, sizeof buf, "%.5f", static_cast<double>(v));
  std::string s(buf);
  while (s.size() > 2 && s.back() == '0' && s[s.size() - 2] != '.') s.pop_back();
  out += s;
}

void WriteMatrix(std::string& o, const Mat4& m, const std::string& pad) {
  o += pad + "FrameTransformMatrix {\n" + pad + " ";
  for (int i = 0; i < 16; ++i) {
    Num(o, m.m[i / 4][i % 4]);
    o += i == 15 ? ";;\n" : ",";
  }
  o += pad + "}\n";
}

void WriteVectors(std::string& o, const std::vector<Vec3>& v, const std::string& pad) {
  o += pad + std::to_string(v.size()) + ";\n";
  for (size_t i = 0; i < v.size(); ++i) {
    o += pad;
    Num(o, v[i].x);
    o += ";";
    Num(o, v[i].y);
    o += ";";
    Num(o, v[i].z);
    o += i + 1 == v.size() ? ";;\n" : ";,\n";
  }
}

void WriteFaces(std::string& o, const XMesh& m, const std::string& pad) {
  o += pad + std::to_string(m.faces.size()) + ";\n";
  for (size_t i = 0; i < m.faces.size(); ++i) {
    const auto& f = m.faces[i];
    o += pad + "3;" + std::to_string(f[0]) + "," + std::to_string(f[1]) + "," + std::to_string(f[2]);
    o += i + 1 == m.faces.size() ? ";;\n" : ";,\n";
  }
}

void WriteMaterial(std::string& o, const XMaterial& mat, const std::string& pad) {
  o += pad + "Material {\n" + pad + " ";
  Num(o, mat.diffuse.r); o += ";"; Num(o, mat.diffuse.g); o += ";";
  Num(o, mat.diffuse.b); o += ";"; Num(o, mat.diffuse.a); o += ";;\n" + pad + " ";
  Num(o, mat.power); o += ";\n" + pad + " ";
  Num(o, mat.specular.x); o += ";"; Num(o, mat.specular.y); o += ";"; Num(o, mat.specular.z);
  o += ";;\n" + pad + " ";
  Num(o, mat.emissive.x); o += ";"; Num(o, mat.emissive.y); o += ";"; Num(o, mat.emissive.z);
  o += ";;\n";
  if (!mat.texture.empty())
    o += pad + " TextureFilename {\n" + pad + "  \"" + mat.texture + "\";\n" + pad + " }\n";
  o += pad + "}\n";
}

void WriteMesh(std::string& o, const XMesh& m, const std::string& pad) {
  o += pad + "Mesh " + m.name + " {\n";
  std::string in = pad + " ";
  WriteVectors(o, m.positions, in);
  WriteFaces(o, m, in);
  o += in + "MeshNormals {\n";
  WriteVectors(o, m.normals, in + " ");
  WriteFaces(o, m, in + " ");
  o += in + "}\n" + in + "MeshTextureCoords {\n" + in + " " + std::to_string(m.uvs.size()) + ";\n";
  for (size_t i = 0; i < m.uvs.size(); ++i) {
    o += in + " ";
    Num(o, m.uvs[i][0]);
    o += ";";
    Num(o, m.uvs[i][1]);
    o += i + 1 == m.uvs.size() ? ";;\n" : ";,\n";
  }
  o += in + "}\n" + in + "MeshMaterialList {\n" + in + " " + std::to_string(m.materials.size()) + ";\n";
  o += in + " " + std::to_string(m.faceMaterials.size()) + ";\n";
  for (size_t i = 0; i < m.faceMaterials.size(); ++i)
    o += in + " " + std::to_string(m.faceMaterials[i]) + (i + 1 == m.faceMaterials.size() ? ";;\n" : ",\n");
  for (const XMaterial& mat : m.materials) WriteMaterial(o, mat, in + " ");
  o += in + "}\n" + pad + "}\n";
}

void WriteFrame(std::string& o, const XFrame& f, const std::string& pad) {
  o += pad + "Frame " + f.name + " {\n";
  WriteMatrix(o, f.matrix, pad + " ");
  for (const XMesh& m : f.meshes) WriteMesh(o, m, pad + " ");
  for (const XFrame& c : f.children) WriteFrame(o, c, pad + " ");
  o += pad + "}\n";
}

void WriteSet(std::string& o, const XAnimationSet& set) {
  o += "AnimationSet " + set.name + " {\n";
  for (const XAnimation& a : set.animations) {
    o += " Animation {\n  {" + a.frame + "}\n  AnimationKey {\n   0;\n   " +
         std::to_string(a.rotations.size()) + ";\n";
    for (size_t i = 0; i < a.rotations.size(); ++i) {
      const RotationKey& k = a.rotations[i];
      o += "   " + std::to_string(k.time) + ";4;";
      Num(o, k.rotation.w); o += ",";
      Num(o, k.rotation.x); o += ",";
      Num(o, k.rotation.y); o += ",";
      Num(o, k.rotation.z);
      o += i + 1 == a.rotations.size() ? ";;;\n" : ";;,\n";
    }
    o += "  }\n }\n";
  }
  o += "}\n";
}

Quat Slerp(Quat a, Quat b, float t) {
  float d = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  if (d < 0) {
    b = {-b.w, -b.x, -b.y, -b.z};
    d = -d;
  }
  float ka = 1 - t, kb = t;
  if (d < 0.9995f) {
    float th = std::acos(d), s = std::sin(th);
    ka = std::sin((1 - t) * th) / s;
    kb = std::sin(t * th) / s;
  }
  return {a.w * ka + b.w * kb, a.x * ka + b.x * kb, a.y * ka + b.y * kb, a.z * ka + b.z * kb};
}

}  // namespace

std::string WriteXText(const XModel& model) {
  std::string o = "xof 0303txt 0032\n\n";
  for (const XFrame& f : model.frames) WriteFrame(o, f, "");
  if (!model.sets.empty()) {
    o += "AnimTicksPerSecond {\n " + std::to_string(kTicksPerSecond) + ";\n}\n";
    for (const XAnimationSet& s : model.sets) WriteSet(o, s);
  }
  return o;
}

void PoseModel(XModel& model, const std::string& setName, float seconds) {
  for (const XAnimationSet& set : model.sets) {
    if (set.name != setName) continue;
    uint32_t length = 0;
    for (const XAnimation& a : set.animations)
      if (!a.rotations.empty()) length = std::max(length, a.rotations.back().time);
    float t = length ? std::fmod(seconds * kTicksPerSecond, static_cast<float>(length)) : 0;
    for (const XAnimation& a : set.animations) {
      XFrame* target = nullptr;
      for (XFrame& f : model.frames)
        if ((target = f.Find(a.frame))) break;
      if (!target || a.rotations.empty()) continue;
      size_t g = 0;
      while (g < a.rotations.size() && a.rotations[g].time <= t) ++g;
      size_t f = g == 0 ? 0 : g - 1;
      if (g == a.rotations.size()) g = f;
      float span = static_cast<float>(a.rotations[g].time) - static_cast<float>(a.rotations[f].time);
      float frac = span > 0 ? (t - a.rotations[f].time) / span : 0;
      Quat q = Slerp(a.rotations[f].rotation, a.rotations[g].rotation, frac);
      Mat4 m = RotationMatrix(q);
      for (int i = 0; i < 3; ++i) m.m[3][i] = target->matrix.m[3][i];
      target->matrix = m;
    }
  }
}

}  // namespace qm::gen
