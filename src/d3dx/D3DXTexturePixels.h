// D3DXTexturePixels: conversion of 0xAARRGGBB rows into the texture formats the D3DX
// texture loader writes. Internal to the texture library.
#pragma once

#include <cstdint>

#include "d3d/D3D8Types.h"

namespace qm {

// True for the formats WriteTextureRow can produce.
bool IsWritableTextureFormat(D3DFORMAT format);

// Bytes per pixel of a writable format.
std::uint32_t WritableFormatBytes(D3DFORMAT format);

// Writes `width` pixels of `argb` into `out` in `format` (which must be writable).
void WriteTextureRow(const std::uint32_t* argb, std::uint32_t width, D3DFORMAT format,
                     void* out);

}  // namespace qm
