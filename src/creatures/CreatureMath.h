// CreatureMath: the vector helpers the creatures steer with.
//
// Walking, turning, flying and the world matrices of the animals all measure angles between
// directions and rotate one direction toward another. These helpers do that without ever
// producing a NaN: a zero vector has no direction, so its angle to anything is 0 and it
// normalises to zero, and a rotation whose axis vanishes (parallel or opposite vectors) takes
// the fallback axis its caller names. CreatureGroup and its kinds call them every frame.
#pragma once

#include "d3dx/D3DXMath.h"

namespace qm {

// Unit vector of v, or the zero vector when v has no length.
D3DXVECTOR3 SafeNormalize(const D3DXVECTOR3& v);

// Angle between a and b in [0, pi]; 0 when either has no length.
float AngleBetween(const D3DXVECTOR3& a, const D3DXVECTOR3& b);

// v rotated right-handedly about axis by angle (as a rotation-axis matrix applied to a
// normal). An axis without length leaves v as it is.
D3DXVECTOR3 RotateAbout(const D3DXVECTOR3& v, float angle, const D3DXVECTOR3& axis);

// The axis that turns `from` toward `to`: cross(from, to). When the two are parallel or
// opposite that cross product vanishes; then fallback is used if it is not parallel to
// `from`, else any axis perpendicular to `from`.
D3DXVECTOR3 TurnAxis(const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                     const D3DXVECTOR3& fallback);

// The unit vector perpendicular to base in the plane of base and toward, on toward's side:
// base rotated by a right angle about cross(base, toward). When toward is parallel to base
// (or zero) no such plane exists and keep is returned, itself squared to base when it can be.
D3DXVECTOR3 SquareTo(const D3DXVECTOR3& base, const D3DXVECTOR3& toward,
                     const D3DXVECTOR3& keep);

// Rotation matrix that turns direction `from` onto direction `to`; opposite directions turn
// about fallbackAxis (see TurnAxis).
D3DXMATRIX RotationOnto(const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                        const D3DXVECTOR3& fallbackAxis);

// Counts the components of a matrix or vector that are not finite.
int NonFiniteCount(const D3DXVECTOR3& v);
int NonFiniteCount(const D3DXMATRIX& m);

}  // namespace qm
