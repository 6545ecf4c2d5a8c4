// D3DXMathTypes: the vector, matrix, quaternion, plane and colour records of the D3DX utility
// library, with the C++ operators that the original helper classes carry.
//
// Scene, camera and creature code build positions, orientations and transforms with these;
// the free functions that work on them live in D3DXMath.h. Conventions are Direct3D's: row
// vectors (a point is v x M), matrices stored row by row, quaternions (x, y, z, w) with w the
// scalar part. Default constructors leave the members uninitialised, as the originals do;
// write `D3DXVECTOR3 v{}` for zeros.
//
// Sections: vectors (2, 3, 4) - matrix - quaternion - plane - colour.
#pragma once

#include "d3d/D3D8Types.h"

// ---------------------------------------------------------------------------------------------
// Vectors
// ---------------------------------------------------------------------------------------------

// Two floats: texture coordinates and screen positions.
struct D3DXVECTOR2 {
  float x, y;

  D3DXVECTOR2() = default;
  explicit D3DXVECTOR2(const float* f) : x(f[0]), y(f[1]) {}
  D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) { x += v.x; y += v.y; return *this; }
  D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) { x -= v.x; y -= v.y; return *this; }
  D3DXVECTOR2& operator*=(float f) { x *= f; y *= f; return *this; }
  D3DXVECTOR2& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXVECTOR2 operator+() const { return *this; }
  D3DXVECTOR2 operator-() const { return {-x, -y}; }
  D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return {x + v.x, y + v.y}; }
  D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return {x - v.x, y - v.y}; }
  D3DXVECTOR2 operator*(float f) const { return {x * f, y * f}; }
  D3DXVECTOR2 operator/(float f) const { return *this * (1.0f / f); }
  friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return v * f; }

  bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

// Three floats: positions, directions, normals; usable wherever a D3DVECTOR is expected.
struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  explicit D3DXVECTOR3(const float* f) : D3DVECTOR{f[0], f[1], f[2]} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}  // NOLINT: implicit as in the original
  D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  D3DXVECTOR3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
  D3DXVECTOR3& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXVECTOR3 operator+() const { return *this; }
  D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return {x + v.x, y + v.y, z + v.z}; }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return {x - v.x, y - v.y, z - v.z}; }
  D3DXVECTOR3 operator*(float f) const { return {x * f, y * f, z * f}; }
  D3DXVECTOR3 operator/(float f) const { return *this * (1.0f / f); }
  friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

// Four floats: homogeneous points, the result of a full transform.
struct D3DXVECTOR4 {
  float x, y, z, w;

  D3DXVECTOR4() = default;
  explicit D3DXVECTOR4(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) {
    x += v.x; y += v.y; z += v.z; w += v.w;
    return *this;
  }
  D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) {
    x -= v.x; y -= v.y; z -= v.z; w -= v.w;
    return *this;
  }
  D3DXVECTOR4& operator*=(float f) { x *= f; y *= f; z *= f; w *= f; return *this; }
  D3DXVECTOR4& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXVECTOR4 operator+() const { return *this; }
  D3DXVECTOR4 operator-() const { return {-x, -y, -z, -w}; }
  D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const {
    return {x + v.x, y + v.y, z + v.z, w + v.w};
  }
  D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const {
    return {x - v.x, y - v.y, z - v.z, w - v.w};
  }
  D3DXVECTOR4 operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  D3DXVECTOR4 operator/(float f) const { return *this * (1.0f / f); }
  friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v) { return v * f; }

  bool operator==(const D3DXVECTOR4& v) const {
    return x == v.x && y == v.y && z == v.z && w == v.w;
  }
  bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

// ---------------------------------------------------------------------------------------------
// Matrix
// ---------------------------------------------------------------------------------------------

// A 4 x 4 row-vector matrix; M1 * M2 applies M1 first, as D3DXMatrixMultiply does.
struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  explicit D3DXMATRIX(const float* f);
  D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}  // NOLINT: implicit as in the original
  D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23,
             float f24, float f31, float f32, float f33, float f34, float f41, float f42,
             float f43, float f44);

  float& operator()(unsigned row, unsigned col) { return m[row][col]; }
  float operator()(unsigned row, unsigned col) const { return m[row][col]; }

  operator float*() { return &_11; }
  operator const float*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator+=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator-=(const D3DXMATRIX& mat);
  D3DXMATRIX& operator*=(float f);
  D3DXMATRIX& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXMATRIX operator+() const { return *this; }
  D3DXMATRIX operator-() const { return *this * -1.0f; }
  D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
  D3DXMATRIX operator+(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) += mat; }
  D3DXMATRIX operator-(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) -= mat; }
  D3DXMATRIX operator*(float f) const { return D3DXMATRIX(*this) *= f; }
  D3DXMATRIX operator/(float f) const { return D3DXMATRIX(*this) /= f; }
  friend D3DXMATRIX operator*(float f, const D3DXMATRIX& mat) { return mat * f; }

  bool operator==(const D3DXMATRIX& mat) const;
  bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

// ---------------------------------------------------------------------------------------------
// Quaternion
// ---------------------------------------------------------------------------------------------

// A rotation as a unit quaternion; q1 * q2 rotates by q1 first, as D3DXQuaternionMultiply.
struct D3DXQUATERNION {
  float x, y, z, w;

  D3DXQUATERNION() = default;
  explicit D3DXQUATERNION(const float* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
  D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

  operator float*() { return &x; }
  operator const float*() const { return &x; }

  D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) {
    x += q.x; y += q.y; z += q.z; w += q.w;
    return *this;
  }
  D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) {
    x -= q.x; y -= q.y; z -= q.z; w -= q.w;
    return *this;
  }
  D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
  D3DXQUATERNION& operator*=(float f) { x *= f; y *= f; z *= f; w *= f; return *this; }
  D3DXQUATERNION& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXQUATERNION operator+() const { return *this; }
  D3DXQUATERNION operator-() const { return {-x, -y, -z, -w}; }
  D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) += q; }
  D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) -= q; }
  D3DXQUATERNION operator*(const D3DXQUATERNION& q) const { return D3DXQUATERNION(*this) *= q; }
  D3DXQUATERNION operator*(float f) const { return D3DXQUATERNION(*this) *= f; }
  D3DXQUATERNION operator/(float f) const { return D3DXQUATERNION(*this) /= f; }
  friend D3DXQUATERNION operator*(float f, const D3DXQUATERNION& q) { return q * f; }

  bool operator==(const D3DXQUATERNION& q) const {
    return x == q.x && y == q.y && z == q.z && w == q.w;
  }
  bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

// ---------------------------------------------------------------------------------------------
// Plane
// ---------------------------------------------------------------------------------------------

// The plane a x + b y + c z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE {
  float a, b, c, d;

  D3DXPLANE() = default;
  explicit D3DXPLANE(const float* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
  D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}

  operator float*() { return &a; }
  operator const float*() const { return &a; }

  D3DXPLANE operator+() const { return *this; }
  D3DXPLANE operator-() const { return {-a, -b, -c, -d}; }

  bool operator==(const D3DXPLANE& p) const {
    return a == p.a && b == p.b && c == p.c && d == p.d;
  }
  bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

// ---------------------------------------------------------------------------------------------
// Colour
// ---------------------------------------------------------------------------------------------

// A colour of four floats, red first, convertible to and from a packed D3DCOLOR (A, R, G, B
// from the top byte down) and a D3DCOLORVALUE. Packing clamps each channel to 0..1.
struct D3DXCOLOR {
  float r, g, b, a;

  D3DXCOLOR() = default;
  D3DXCOLOR(DWORD argb);  // NOLINT: implicit as in the original
  explicit D3DXCOLOR(const float* f) : r(f[0]), g(f[1]), b(f[2]), a(f[3]) {}
  D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}  // NOLINT
  D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}

  operator DWORD() const;
  operator float*() { return &r; }
  operator const float*() const { return &r; }
  operator D3DCOLORVALUE() const { return {r, g, b, a}; }

  D3DXCOLOR& operator+=(const D3DXCOLOR& c) {
    r += c.r; g += c.g; b += c.b; a += c.a;
    return *this;
  }
  D3DXCOLOR& operator-=(const D3DXCOLOR& c) {
    r -= c.r; g -= c.g; b -= c.b; a -= c.a;
    return *this;
  }
  D3DXCOLOR& operator*=(float f) { r *= f; g *= f; b *= f; a *= f; return *this; }
  D3DXCOLOR& operator/=(float f) { return *this *= 1.0f / f; }

  D3DXCOLOR operator+() const { return *this; }
  D3DXCOLOR operator-() const { return {-r, -g, -b, -a}; }
  D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(*this) += c; }
  D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(*this) -= c; }
  D3DXCOLOR operator*(float f) const { return D3DXCOLOR(*this) *= f; }
  D3DXCOLOR operator/(float f) const { return D3DXCOLOR(*this) /= f; }
  friend D3DXCOLOR operator*(float f, const D3DXCOLOR& c) { return c * f; }

  bool operator==(const D3DXCOLOR& c) const {
    return r == c.r && g == c.g && b == c.b && a == c.a;
  }
  bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};
