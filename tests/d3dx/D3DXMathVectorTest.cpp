// Vector, plane and colour functions against hand-computed values.
#include <gtest/gtest.h>

#include "D3DXMathTestHelpers.h"

namespace qm::test {
namespace {

TEST(D3DXMathVectorTest, CrossIsRightHandedAndDotIsTheUsualSum) {
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), a(1, 2, 3), b(-2, 0.5f, 4);
  D3DXVECTOR3 out;
  EXPECT_TRUE(VectorNear(*D3DXVec3Cross(&out, &x, &y), {0, 0, 1}));
  EXPECT_TRUE(VectorNear(*D3DXVec3Cross(&out, &a, &b), {6.5f, -10, 4.5f}));
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 11.0f);
  out = a;
  D3DXVec3Cross(&out, &out, &b);  // the output may alias an input
  EXPECT_TRUE(VectorNear(out, {6.5f, -10, 4.5f}));
}

TEST(D3DXMathVectorTest, LengthAndNormalize) {
  const D3DXVECTOR3 v(3, 0, 4), zero(0, 0, 0);
  D3DXVECTOR3 out;
  EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
  EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&v), 25.0f);
  EXPECT_TRUE(VectorNear(*D3DXVec3Normalize(&out, &v), {0.6f, 0, 0.8f}));
  EXPECT_TRUE(VectorNear(*D3DXVec3Normalize(&out, &zero), zero, 0));

  const D3DXVECTOR2 v2(6, 8);
  D3DXVECTOR2 out2;
  EXPECT_FLOAT_EQ(D3DXVec2Length(&v2), 10.0f);
  D3DXVec2Normalize(&out2, &v2);
  EXPECT_FLOAT_EQ(out2.y, 0.8f);
  const D3DXVECTOR4 v4(1, 1, 1, 1);
  D3DXVECTOR4 out4;
  EXPECT_FLOAT_EQ(D3DXVec4Normalize(&out4, &v4)->w, 0.5f);
}

TEST(D3DXMathVectorTest, LerpMinimizeMaximize) {
  const D3DXVECTOR3 a(0, 10, -4), b(2, -10, 4);
  D3DXVECTOR3 out;
  EXPECT_TRUE(VectorNear(*D3DXVec3Lerp(&out, &a, &b, 0.25f), {0.5f, 5, -2}));
  EXPECT_TRUE(VectorNear(*D3DXVec3Minimize(&out, &a, &b), {0, -10, -4}));
  EXPECT_TRUE(VectorNear(*D3DXVec3Maximize(&out, &a, &b), {2, 10, 4}));
}

TEST(D3DXMathVectorTest, TransformsTreatPointsAndDirectionsDifferently) {
  D3DXMATRIX m;
  D3DXMatrixRotationZ(&m, D3DX_PI / 2);
  m._41 = 10;
  m._42 = 20;
  m._43 = 30;
  const D3DXVECTOR3 v(1, 0, 0);
  D3DXVECTOR3 out;
  EXPECT_TRUE(VectorNear(*D3DXVec3TransformCoord(&out, &v, &m), {10, 21, 30}));
  EXPECT_TRUE(VectorNear(*D3DXVec3TransformNormal(&out, &v, &m), {0, 1, 0}));
  D3DXVECTOR4 h;
  D3DXVec3Transform(&h, &v, &m);
  EXPECT_NEAR(h.y, 21.0f, 1e-5f);
  EXPECT_EQ(h.w, 1.0f);

  // TransformCoord divides by w, Transform does not.
  m._44 = 2;
  EXPECT_TRUE(VectorNear(*D3DXVec3TransformCoord(&out, &v, &m), {5, 10.5f, 15}));
  D3DXVec3Transform(&h, &v, &m);
  EXPECT_EQ(h.w, 2.0f);

  const D3DXVECTOR2 v2(1, 0);
  D3DXVECTOR2 out2;
  D3DXVec2TransformCoord(&out2, &v2, &m);
  EXPECT_NEAR(out2.y, 10.5f, 1e-5f);
}

TEST(D3DXMathVectorTest, OperatorsMatchTheFunctions) {
  const D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
  D3DXVECTOR3 sum;
  D3DXVec3Add(&sum, &a, &b);
  EXPECT_EQ(a + b, sum);
  EXPECT_EQ(2.0f * a, a * 2.0f);
  EXPECT_EQ(-(b - a), a - b);
  EXPECT_EQ((b / 2.0f).x, 2.0f);
  D3DXVECTOR3 c = a;
  c += b;
  c -= a;
  c *= 0.5f;
  EXPECT_EQ(c, D3DXVECTOR3(2, 2.5f, 3));
  const D3DVECTOR plain = c;  // passes where Direct3D wants its own vector
  EXPECT_EQ(plain.z, 3.0f);
  D3DXVECTOR3 zeroed{};
  EXPECT_EQ(zeroed, D3DXVECTOR3(0, 0, 0));
}

TEST(D3DXMathVectorTest, PlaneFromPointNormalAndDistances) {
  const D3DXVECTOR3 point(0, 0, 5), normal(0, 0, 1), q(1, 2, 7);
  D3DXPLANE plane;
  D3DXPlaneFromPointNormal(&plane, &point, &normal);
  EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -5));
  EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&plane, &q), 2.0f);
  EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&plane, &q), 7.0f);

  const D3DXVECTOR3 p1(0, 0, 1), p2(1, 0, 1), p3(0, 1, 1);
  D3DXPlaneFromPoints(&plane, &p1, &p2, &p3);
  EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&plane, &q), 6.0f);

  const D3DXPLANE scaled(0, 0, 4, -8);
  D3DXPlaneNormalize(&plane, &scaled);
  EXPECT_EQ(plane, D3DXPLANE(0, 0, 1, -2));
}

TEST(D3DXMathVectorTest, ColourPacksAsARGBAndClamps) {
  const D3DXCOLOR c(0x80FF4000u);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
  EXPECT_FLOAT_EQ(c.b, 0.0f);
  EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
  EXPECT_EQ(static_cast<DWORD>(c), 0x80FF4000u);
  EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);

  D3DXCOLOR out;
  const D3DXCOLOR white(1, 1, 1, 1), grey(0.5f, 0.5f, 0.5f, 0.5f);
  D3DXColorModulate(&out, &c, &grey);
  EXPECT_FLOAT_EQ(out.r, 0.5f);
  D3DXColorLerp(&out, &grey, &white, 0.5f);
  EXPECT_FLOAT_EQ(out.g, 0.75f);
  D3DXColorNegative(&out, &grey);
  EXPECT_EQ(out, D3DXCOLOR(0.5f, 0.5f, 0.5f, 0.5f));
}

}  // namespace
}  // namespace qm::test
