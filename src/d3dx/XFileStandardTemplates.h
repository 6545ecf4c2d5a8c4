// XFileStandardTemplates: the template blocks a loader registers before reading X files.
//
// The standard block holds the 35 templates of the retained-mode set (Header, Vector, Mesh,
// Frame, AnimationSet ...); the skinning block adds the templates that skinned meshes and
// newer exporters use without declaring them (XSkinMeshHeader, SkinWeights,
// VertexDuplicationIndices, FVFData, DeclData, AnimTicksPerSecond). Both are complete X
// files in text form, handed to XFile::RegisterTemplates by XFileModel and the tools.
#pragma once

#include <string_view>

#include "d3d/WinTypes.h"

// The retained-mode template block.
std::string_view XFileStandardTemplates();
// The skinned-mesh and vertex-declaration template block.
std::string_view XFileSkinTemplates();

class XFile;
// Registers both blocks; what every reader of scene files does first.
HRESULT XFileRegisterStandardTemplates(XFile* file);
