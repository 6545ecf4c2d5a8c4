// Quaternion functions: the order of multiplication, slerp, and the round trip through
// rotation matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "D3DXMathTestHelpers.h"

namespace qm::test {
namespace {

D3DXQUATERNION AxisAngle(float x, float y, float z, float angle) {
  const D3DXVECTOR3 axis(x, y, z);
  D3DXQUATERNION q;
  return *D3DXQuaternionRotationAxis(&q, &axis, angle);
}

TEST(D3DXMathQuaternionTest, RotationAxisHasHalfAngleComponents) {
  const D3DXQUATERNION q = AxisAngle(0, 0, 2, 1.0f);  // the axis is normalised
  EXPECT_TRUE(QuaternionNear(q, {0, 0, std::sin(0.5f), std::cos(0.5f)}));
  D3DXVECTOR3 axis;
  float angle = 0;
  D3DXQuaternionToAxisAngle(&q, &axis, &angle);
  EXPECT_TRUE(VectorNear(axis, {0, 0, std::sin(0.5f)}));
  EXPECT_NEAR(angle, 1.0f, 1e-5f);
}

TEST(D3DXMathQuaternionTest, MultiplyRotatesByTheFirstThenTheSecond) {
  const D3DXQUATERNION q1 = AxisAngle(1, 0, 0, D3DX_PI / 2);
  const D3DXQUATERNION q2 = AxisAngle(0, 1, 0, D3DX_PI / 2);
  D3DXQUATERNION product;
  D3DXQuaternionMultiply(&product, &q1, &q2);
  D3DXMATRIX m1, m2, combined;
  D3DXMatrixRotationQuaternion(&m1, &q1);
  D3DXMatrixRotationQuaternion(&m2, &q2);
  D3DXMatrixRotationQuaternion(&combined, &product);
  EXPECT_TRUE(MatrixNear(combined, m1 * m2));
  // y goes to z under the first, then z goes to x under the second.
  EXPECT_TRUE(VectorNear(TransformPoint({0, 1, 0}, combined), {1, 0, 0}));

  D3DXQUATERNION viaOperator = q1;
  viaOperator *= q2;
  EXPECT_TRUE(QuaternionNear(viaOperator, product, 0));
  EXPECT_TRUE(QuaternionNear(q1 * q2, product, 0));
}

TEST(D3DXMathQuaternionTest, InverseAndConjugateUndoTheRotation) {
  const D3DXQUATERNION unit = AxisAngle(1, 2, 3, 0.8f);
  D3DXQUATERNION inverse, conjugate, product, identity;
  D3DXQuaternionIdentity(&identity);
  D3DXQuaternionInverse(&inverse, &unit);
  D3DXQuaternionConjugate(&conjugate, &unit);
  EXPECT_TRUE(QuaternionNear(inverse, conjugate));
  EXPECT_TRUE(QuaternionNear(*D3DXQuaternionMultiply(&product, &unit, &inverse), identity));

  const D3DXQUATERNION scaled = unit * 3.0f;  // the inverse of a non-unit one scales back
  D3DXQuaternionInverse(&inverse, &scaled);
  EXPECT_TRUE(QuaternionNear(*D3DXQuaternionMultiply(&product, &scaled, &inverse), identity));

  const D3DXQUATERNION zero(0, 0, 0, 0);
  D3DXQuaternionInverse(&inverse, &zero);
  EXPECT_TRUE(QuaternionNear(inverse, zero, 0));
}

TEST(D3DXMathQuaternionTest, NormalizeGivesUnitLengthAndKeepsZeroFinite) {
  D3DXQUATERNION q(1, 2, 2, 4), n;
  D3DXQuaternionNormalize(&n, &q);
  EXPECT_NEAR(D3DXQuaternionLength(&n), 1.0f, 1e-6f);
  EXPECT_TRUE(QuaternionNear(n, {0.2f, 0.4f, 0.4f, 0.8f}));
  q = {0, 0, 0, 0};
  D3DXQuaternionNormalize(&n, &q);
  EXPECT_TRUE(QuaternionNear(n, q, 0));
}

TEST(D3DXMathQuaternionTest, SlerpHitsBothEndsAndTheMiddleOfTheArc) {
  D3DXQUATERNION identity, out;
  D3DXQuaternionIdentity(&identity);
  const D3DXQUATERNION quarter = AxisAngle(0, 0, 1, D3DX_PI / 2);
  EXPECT_TRUE(QuaternionNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 0), identity));
  EXPECT_TRUE(QuaternionNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 1), quarter));
  EXPECT_TRUE(QuaternionNear(*D3DXQuaternionSlerp(&out, &identity, &quarter, 0.5f),
                             AxisAngle(0, 0, 1, D3DX_PI / 4)));
  EXPECT_NEAR(D3DXQuaternionLength(D3DXQuaternionSlerp(&out, &identity, &quarter, 0.3f)), 1.0f,
              1e-5f);
}

TEST(D3DXMathQuaternionTest, SlerpTakesTheShorterArc) {
  D3DXQUATERNION identity, out;
  D3DXQuaternionIdentity(&identity);
  // -q is q's rotation; interpolating toward it must not swing the long way round.
  const D3DXQUATERNION negatedQuarter = -AxisAngle(0, 0, 1, D3DX_PI / 2);
  D3DXQuaternionSlerp(&out, &identity, &negatedQuarter, 0.5f);
  EXPECT_TRUE(SameRotation(out, AxisAngle(0, 0, 1, D3DX_PI / 4)));
}

TEST(D3DXMathQuaternionTest, SlerpOfNearlyEqualQuaternionsStaysFinite) {
  const D3DXQUATERNION a = AxisAngle(1, 0, 0, 0.3f);
  const D3DXQUATERNION b = AxisAngle(1, 0, 0, 0.3001f);
  D3DXQUATERNION out;
  D3DXQuaternionSlerp(&out, &a, &b, 0.5f);
  EXPECT_TRUE(std::isfinite(out.x) && std::isfinite(out.w));
  EXPECT_TRUE(QuaternionNear(out, a, 1e-3f));
  D3DXQuaternionSlerp(&out, &a, &a, 0.5f);
  EXPECT_TRUE(QuaternionNear(out, a));
}

TEST(D3DXMathQuaternionTest, RotationMatrixRecoversTheQuaternionUpToSign) {
  // Angles near pi about each axis reach every branch of the extraction.
  const D3DXQUATERNION cases[] = {
      AxisAngle(0.2f, 0.5f, -0.3f, 0.9f), AxisAngle(1, 0.1f, 0, 3.1f),
      AxisAngle(0, 1, 0.1f, 3.0f),        AxisAngle(0.1f, 0, 1, 3.1f),
      AxisAngle(1, 1, 1, D3DX_PI),        AxisAngle(0, 0, 1, 0),
  };
  for (const D3DXQUATERNION& q : cases) {
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &m);
    EXPECT_TRUE(SameRotation(back, q, 1e-5f)) << q.x << " " << q.y << " " << q.z << " " << q.w;
  }
}

}  // namespace
}  // namespace qm::test
