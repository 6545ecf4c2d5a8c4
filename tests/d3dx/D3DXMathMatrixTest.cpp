// Matrix functions against hand-computed values and against each other.
#include <gtest/gtest.h>

#include "D3DXMathTestHelpers.h"

namespace qm::test {
namespace {

const float kHalfPi = D3DX_PI / 2.0f;

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX SampleMatrix() {
  return D3DXMATRIX(2, 1, 0, 0, -1, 3, 0.5f, 0, 0.25f, 0, 1.5f, 0, 4, -2, 7, 1);
}

TEST(D3DXMathMatrixTest, MultiplyAppliesTheFirstMatrixFirst) {
  D3DXMATRIX translate, scale, product;
  D3DXMatrixTranslation(&translate, 1, 2, 3);
  D3DXMatrixScaling(&scale, 2, 2, 2);
  D3DXMatrixMultiply(&product, &translate, &scale);
  EXPECT_TRUE(VectorNear(TransformPoint({1, 1, 1}, product), {4, 6, 8}));
  EXPECT_TRUE(MatrixNear(translate * scale, product));

  // The output may be one of the inputs.
  D3DXMatrixMultiply(&translate, &translate, &scale);
  EXPECT_TRUE(MatrixNear(translate, product));
}

TEST(D3DXMathMatrixTest, InverseUndoesTheMatrixAndReportsTheDeterminant) {
  const D3DXMATRIX m = SampleMatrix();
  D3DXMATRIX inverse;
  float determinant = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
  EXPECT_NEAR(determinant, D3DXMatrixDeterminant(&m), 1e-5f);
  EXPECT_NEAR(determinant, 2 * (3 * 1.5f) - 1 * (-1 * 1.5f - 0.5f * 0.25f) + 0, 1e-5f);
  EXPECT_TRUE(MatrixNear(m * inverse, Identity()));
  EXPECT_TRUE(MatrixNear(inverse * m, Identity()));

  D3DXMATRIX scale;
  D3DXMatrixScaling(&scale, 2, 3, 4);
  D3DXMatrixInverse(&inverse, &determinant, &scale);
  EXPECT_FLOAT_EQ(determinant, 24.0f);
  EXPECT_FLOAT_EQ(inverse._22, 1.0f / 3.0f);
}

TEST(D3DXMathMatrixTest, SingularInverseReturnsNullAndLeavesTheOutputAlone) {
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 0, 1);
  D3DXMATRIX out = SampleMatrix();
  float determinant = 5;
  EXPECT_EQ(D3DXMatrixInverse(&out, &determinant, &flat), nullptr);
  EXPECT_EQ(determinant, 0.0f);
  EXPECT_TRUE(MatrixNear(out, SampleMatrix(), 0));
  EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &flat), nullptr);
}

TEST(D3DXMathMatrixTest, TransposeSwapsRowsAndColumns) {
  const D3DXMATRIX m = SampleMatrix();
  D3DXMATRIX t;
  D3DXMatrixTranspose(&t, &m);
  EXPECT_EQ(t._12, m._21);
  EXPECT_EQ(t._41, m._14);
  EXPECT_EQ(t._14, m._41);
  D3DXMatrixTranspose(&t, &t);
  EXPECT_TRUE(t == m);
}

TEST(D3DXMathMatrixTest, AxisRotationsTurnClockwiseLookingTowardTheOrigin) {
  D3DXMATRIX m;
  D3DXMatrixRotationX(&m, kHalfPi);
  EXPECT_TRUE(VectorNear(TransformPoint({0, 1, 0}, m), {0, 0, 1}));
  D3DXMatrixRotationY(&m, kHalfPi);
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, 1}, m), {1, 0, 0}));
  D3DXMatrixRotationZ(&m, kHalfPi);
  EXPECT_TRUE(VectorNear(TransformPoint({1, 0, 0}, m), {0, 1, 0}));
}

TEST(D3DXMathMatrixTest, RotationAxisAgreesWithTheAxisRotationsAndNormalisesTheAxis) {
  const float angle = 0.7f;
  D3DXMATRIX expected, actual;
  const D3DXVECTOR3 x(3, 0, 0), y(0, 0.5f, 0), z(0, 0, 1);
  D3DXMatrixRotationX(&expected, angle);
  EXPECT_TRUE(MatrixNear(*D3DXMatrixRotationAxis(&actual, &x, angle), expected));
  D3DXMatrixRotationY(&expected, angle);
  EXPECT_TRUE(MatrixNear(*D3DXMatrixRotationAxis(&actual, &y, angle), expected));
  D3DXMatrixRotationZ(&expected, angle);
  EXPECT_TRUE(MatrixNear(*D3DXMatrixRotationAxis(&actual, &z, angle), expected));

  // A rotation about the diagonal by 120 degrees cycles the axes.
  const D3DXVECTOR3 diagonal(1, 1, 1);
  D3DXMatrixRotationAxis(&actual, &diagonal, 2 * D3DX_PI / 3);
  EXPECT_TRUE(VectorNear(TransformPoint({1, 0, 0}, actual), {0, 1, 0}));
}

TEST(D3DXMathMatrixTest, RotationQuaternionMatchesRotationAxis) {
  const D3DXVECTOR3 axis(0.3f, -1.2f, 0.8f);
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, &axis, 1.1f);
  D3DXMATRIX fromQuaternion, fromAxis;
  D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
  D3DXMatrixRotationAxis(&fromAxis, &axis, 1.1f);
  EXPECT_TRUE(MatrixNear(fromQuaternion, fromAxis));
}

TEST(D3DXMathMatrixTest, YawPitchRollRollsThenPitchesThenYaws) {
  D3DXMATRIX roll, pitch, yaw, combined;
  D3DXMatrixRotationZ(&roll, 0.3f);
  D3DXMatrixRotationX(&pitch, -0.4f);
  D3DXMatrixRotationY(&yaw, 1.2f);
  D3DXMatrixRotationYawPitchRoll(&combined, 1.2f, -0.4f, 0.3f);
  EXPECT_TRUE(MatrixNear(combined, roll * pitch * yaw));

  D3DXQUATERNION q;
  D3DXQuaternionRotationYawPitchRoll(&q, 1.2f, -0.4f, 0.3f);
  D3DXMATRIX fromQuaternion;
  EXPECT_TRUE(MatrixNear(*D3DXMatrixRotationQuaternion(&fromQuaternion, &q), combined));
}

TEST(D3DXMathMatrixTest, TransformationRotatesAboutItsCentre) {
  // The rocking camera's form: rotation about a centre, nothing else.
  const D3DXVECTOR3 centre(0, 0, 200), yAxis(0, 1, 0);
  D3DXQUATERNION quarterTurn;
  D3DXQuaternionRotationAxis(&quarterTurn, &yAxis, kHalfPi);
  D3DXMATRIX m;
  D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, &centre, &quarterTurn, nullptr);
  EXPECT_TRUE(VectorNear(TransformPoint(centre, m), centre, 1e-4f));
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, 0}, m), {-200, 0, 200}, 1e-4f));

  D3DXMatrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(MatrixNear(m, Identity(), 0));
}

TEST(D3DXMathMatrixTest, TransformationComposesEveryPartInTheDocumentedOrder) {
  const D3DXVECTOR3 scalingCentre(1, 2, 3), scaling(2, 0.5f, 3), rotationCentre(-4, 0, 1);
  const D3DXVECTOR3 translation(10, 20, 30), axis1(1, 2, 0), axis2(0, 1, 1);
  D3DXQUATERNION scalingRotation, rotation;
  D3DXQuaternionRotationAxis(&scalingRotation, &axis1, 0.6f);
  D3DXQuaternionRotationAxis(&rotation, &axis2, -1.3f);

  D3DXMATRIX sc, scInv, sr, srInv, s, rc, rcInv, r, t;
  D3DXMatrixTranslation(&sc, 1, 2, 3);
  D3DXMatrixTranslation(&scInv, -1, -2, -3);
  D3DXMatrixRotationQuaternion(&sr, &scalingRotation);
  D3DXMatrixInverse(&srInv, nullptr, &sr);
  D3DXMatrixScaling(&s, 2, 0.5f, 3);
  D3DXMatrixTranslation(&rc, -4, 0, 1);
  D3DXMatrixTranslation(&rcInv, 4, 0, -1);
  D3DXMatrixRotationQuaternion(&r, &rotation);
  D3DXMatrixTranslation(&t, 10, 20, 30);
  const D3DXMATRIX expected = scInv * srInv * s * sr * sc * rcInv * r * rc * t;

  D3DXMATRIX actual;
  D3DXMatrixTransformation(&actual, &scalingCentre, &scalingRotation, &scaling, &rotationCentre,
                           &rotation, &translation);
  EXPECT_TRUE(MatrixNear(actual, expected, 1e-4f));

  D3DXMATRIX uniform, affine;
  D3DXMatrixScaling(&uniform, 2, 2, 2);
  D3DXMatrixAffineTransformation(&affine, 2, &rotationCentre, &rotation, &translation);
  EXPECT_TRUE(MatrixNear(affine, uniform * rcInv * r * rc * t, 1e-4f));
}

TEST(D3DXMathMatrixTest, LookAtBuildsLeftAndRightHandedViews) {
  // The base application's view: from (0, 0, -1) at the origin, y up.
  const D3DXVECTOR3 eye(0, 0, -1), at(0, 0, 0), up(0, 1, 0);
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMATRIX expected = Identity();
  expected._43 = 1;
  EXPECT_TRUE(MatrixNear(view, expected));

  D3DXMatrixLookAtRH(&view, &eye, &at, &up);
  expected = D3DXMATRIX(-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -1, 1);
  EXPECT_TRUE(MatrixNear(view, expected));

  // Left-handed: what lies ahead has positive view z, and right = up x forward, so looking
  // along +y with z up puts world -x on the right.
  const D3DXVECTOR3 eye2(5, 5, 5), at2(5, 15, 5), zUp(0, 0, 1);
  D3DXMatrixLookAtLH(&view, &eye2, &at2, &zUp);
  EXPECT_TRUE(VectorNear(TransformPoint({5, 25, 5}, view), {0, 0, 20}));
  EXPECT_TRUE(VectorNear(TransformPoint({6, 15, 7}, view), {-1, 2, 10}));
}

TEST(D3DXMathMatrixTest, PerspectiveMapsNearAndFarToZeroAndOne) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, kHalfPi, 1, 1, 10);
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, 1}, p), {0, 0, 0}));
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, 10}, p), {0, 0, 1}));
  EXPECT_TRUE(VectorNear(TransformPoint({2, -2, 2}, p), {1, -1, 5.0f / 9.0f}));

  D3DXMatrixPerspectiveFovRH(&p, kHalfPi, 1, 1, 10);
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, -1}, p), {0, 0, 0}));
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, -10}, p), {0, 0, 1}));
  EXPECT_TRUE(VectorNear(TransformPoint({2, -2, -2}, p), {1, -1, 5.0f / 9.0f}));

  D3DXMatrixPerspectiveLH(&p, 2, 2, 1, 10);
  EXPECT_TRUE(VectorNear(TransformPoint({1, 1, 1}, p), {1, 1, 0}));
  D3DXMatrixPerspectiveRH(&p, 2, 2, 1, 10);
  EXPECT_TRUE(VectorNear(TransformPoint({1, 1, -10}, p), {0.1f, 0.1f, 1}));
}

TEST(D3DXMathMatrixTest, PerspectiveOfTheForestSceneHasTheKnownElements) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovRH(&p, 0.7853982f, 1.3333334f, 20, 600);
  const float yScale = 2.4142135f;  // cot(pi / 8)
  EXPECT_TRUE(MatrixNear(p, D3DXMATRIX(yScale / 1.3333334f, 0, 0, 0, 0, yScale, 0, 0, 0, 0,
                                       600.0f / -580.0f, -1, 0, 0, 20 * 600.0f / -580.0f, 0)));
}

TEST(D3DXMathMatrixTest, OrthographicProjections) {
  D3DXMATRIX o;
  D3DXMatrixOrthoLH(&o, 2, 2, 0, 1);
  EXPECT_TRUE(MatrixNear(o, Identity()));
  D3DXMatrixOrthoLH(&o, 800, 600, 1, 11);
  EXPECT_TRUE(VectorNear(TransformPoint({400, -300, 6}, o), {1, -1, 0.5f}));
  D3DXMatrixOrthoRH(&o, 800, 600, 1, 11);
  EXPECT_TRUE(VectorNear(TransformPoint({-400, 300, -11}, o), {-1, 1, 1}));
  D3DXMatrixOrthoOffCenterLH(&o, 0, 800, 600, 0, 0, 1);
  EXPECT_TRUE(VectorNear(TransformPoint({0, 0, 0}, o), {-1, 1, 0}));
  EXPECT_TRUE(VectorNear(TransformPoint({800, 600, 1}, o), {1, -1, 1}));
}

TEST(D3DXMathMatrixTest, OperatorsMatchTheFunctions) {
  const D3DXMATRIX a = SampleMatrix();
  D3DXMATRIX b;
  D3DXMatrixRotationY(&b, 0.4f);
  D3DXMATRIX product = a;
  product *= b;
  EXPECT_TRUE(MatrixNear(product, a * b, 0));
  EXPECT_TRUE(MatrixNear(a + a, a * 2.0f, 0));
  EXPECT_TRUE(MatrixNear(2.0f * a - a, a, 0));
  EXPECT_TRUE(MatrixNear(-a / 2.0f, a * -0.5f, 0));
  EXPECT_EQ(a(3, 2), 7.0f);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&product) == false);
  const D3DXMATRIX identity = Identity();
  EXPECT_TRUE(D3DXMatrixIsIdentity(&identity));
  const float* flat = a;
  EXPECT_EQ(flat[12], 4.0f);  // row-major: _41 is the 13th float
}

}  // namespace
}  // namespace qm::test
