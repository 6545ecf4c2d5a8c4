// Small vector, matrix and quaternion helpers for the media generator.
// The generator builds meshes and animations in the saver's conventions: z is up, matrices
// are applied to row vectors (p' = p x M, translation in the last row) and quaternions are
// written to X files as w, x, y, z. Nothing here depends on the saver's own math library,
// so the generator builds before (and independently of) src/d3dx.
#pragma once

#include <cmath>

namespace qm::gen {

constexpr float kPi = 3.14159265358979f;

// A point or direction in model space.
struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
  float l = Length(a);
  return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 0, 1};
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

// Any unit vector perpendicular to n.
inline Vec3 Perpendicular(Vec3 n) {
  Vec3 a = std::fabs(n.z) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
  return Normalize(Cross(a, n));
}

// Rotation quaternion; (x, y, z) is the axis times sin(angle / 2).
struct Quat {
  float w = 1, x = 0, y = 0, z = 0;
};

inline Quat AxisAngle(Vec3 axis, float angle) {
  Vec3 a = Normalize(axis);
  float s = std::sin(angle / 2);
  return {std::cos(angle / 2), a.x * s, a.y * s, a.z * s};
}

// q * r applies r first, then q (as rotations of a vector).
inline Quat operator*(Quat q, Quat r) {
  return {q.w * r.w - q.x * r.x - q.y * r.y - q.z * r.z,
          q.w * r.x + q.x * r.w + q.y * r.z - q.z * r.y,
          q.w * r.y - q.x * r.z + q.y * r.w + q.z * r.x,
          q.w * r.z + q.x * r.y - q.y * r.x + q.z * r.w};
}

inline Vec3 Rotate(Quat q, Vec3 v) {
  Quat p{0, v.x, v.y, v.z};
  Quat c{q.w, -q.x, -q.y, -q.z};
  Quat r = q * p * c;
  return {r.x, r.y, r.z};
}

// 4x4 matrix for row vectors: m[row][col], translation in row 3.
struct Mat4 {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

inline Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      r.m[i][j] = s;
    }
  return r;
}

inline Vec3 TransformPoint(const Mat4& m, Vec3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

inline Vec3 TransformNormal(const Mat4& m, Vec3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2]};
}

inline Mat4 Translation(Vec3 t) {
  Mat4 r;
  r.m[3][0] = t.x;
  r.m[3][1] = t.y;
  r.m[3][2] = t.z;
  return r;
}

inline Mat4 Scaling(float s) {
  Mat4 r;
  r.m[0][0] = r.m[1][1] = r.m[2][2] = s;
  return r;
}

// The matrix that rotates row vectors as q does.
inline Mat4 RotationMatrix(Quat q) {
  Mat4 r;
  Vec3 ex = Rotate(q, {1, 0, 0}), ey = Rotate(q, {0, 1, 0}), ez = Rotate(q, {0, 0, 1});
  r.m[0][0] = ex.x; r.m[0][1] = ex.y; r.m[0][2] = ex.z;
  r.m[1][0] = ey.x; r.m[1][1] = ey.y; r.m[1][2] = ey.z;
  r.m[2][0] = ez.x; r.m[2][1] = ez.y; r.m[2][2] = ez.z;
  return r;
}

// Rotation that turns unit vector a into unit vector b by the shortest arc.
inline Quat RotationBetween(Vec3 a, Vec3 b) {
  Vec3 c = Cross(a, b);
  float d = Dot(a, b);
  if (d < -0.99999f) return AxisAngle(Perpendicular(a), kPi);
  return AxisAngle(Length(c) < 1e-7f ? Vec3{0, 0, 1} : c, std::acos(std::fmin(1.0f, d)));
}

}  // namespace qm::gen
