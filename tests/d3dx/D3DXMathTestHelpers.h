// Comparison helpers shared by the D3DX math tests: element-wise closeness of the math records
// with a readable failure message.
#pragma once

#include <gtest/gtest.h>

#include <cmath>

#include "d3dx/D3DXMath.h"

namespace qm::test {

constexpr float kMathTolerance = 1e-5f;

inline ::testing::AssertionResult MatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected,
                                             float tolerance = kMathTolerance) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      if (std::fabs(actual.m[r][c] - expected.m[r][c]) > tolerance) {
        return ::testing::AssertionFailure()
               << "element _" << r + 1 << c + 1 << " is " << actual.m[r][c] << ", expected "
               << expected.m[r][c];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult VectorNear(const D3DXVECTOR3& actual,
                                             const D3DXVECTOR3& expected,
                                             float tolerance = kMathTolerance) {
  if (std::fabs(actual.x - expected.x) > tolerance || std::fabs(actual.y - expected.y) > tolerance ||
      std::fabs(actual.z - expected.z) > tolerance) {
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", "
                                         << actual.z << ") expected (" << expected.x << ", "
                                         << expected.y << ", " << expected.z << ")";
  }
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult QuaternionNear(const D3DXQUATERNION& actual,
                                                 const D3DXQUATERNION& expected,
                                                 float tolerance = kMathTolerance) {
  if (std::fabs(actual.x - expected.x) > tolerance || std::fabs(actual.y - expected.y) > tolerance ||
      std::fabs(actual.z - expected.z) > tolerance || std::fabs(actual.w - expected.w) > tolerance) {
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ", " << actual.w
           << ") expected (" << expected.x << ", " << expected.y << ", " << expected.z << ", "
           << expected.w << ")";
  }
  return ::testing::AssertionSuccess();
}

// q and -q are the same rotation.
inline ::testing::AssertionResult SameRotation(const D3DXQUATERNION& actual,
                                               const D3DXQUATERNION& expected,
                                               float tolerance = kMathTolerance) {
  if (QuaternionNear(actual, expected, tolerance)) return ::testing::AssertionSuccess();
  return QuaternionNear(actual, -expected, tolerance);
}

inline D3DXVECTOR3 TransformPoint(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

}  // namespace qm::test
