// GlFunctions: the OpenGL entry points past 1.1 that the back end calls, loaded at run time.
//
// libGL only promises the 1.x entry points, so everything newer (multitexture, shaders,
// compressed uploads) is looked up through SDL_GL_GetProcAddress once a context exists.
// Owned by GlDevice8; the gamma pass and texture upload use it.
#pragma once

#include <SDL_opengl.h>

namespace qm {

struct GlFunctions {
  PFNGLACTIVETEXTUREARBPROC ActiveTexture = nullptr;
  PFNGLCLIENTACTIVETEXTUREARBPROC ClientActiveTexture = nullptr;
  PFNGLCOMPRESSEDTEXIMAGE2DPROC CompressedTexImage2D = nullptr;
  PFNGLGETCOMPRESSEDTEXIMAGEPROC GetCompressedTexImage = nullptr;
  PFNGLCREATESHADERPROC CreateShader = nullptr;
  PFNGLSHADERSOURCEPROC ShaderSource = nullptr;
  PFNGLCOMPILESHADERPROC CompileShader = nullptr;
  PFNGLGETSHADERIVPROC GetShaderiv = nullptr;
  PFNGLCREATEPROGRAMPROC CreateProgram = nullptr;
  PFNGLATTACHSHADERPROC AttachShader = nullptr;
  PFNGLLINKPROGRAMPROC LinkProgram = nullptr;
  PFNGLGETPROGRAMIVPROC GetProgramiv = nullptr;
  PFNGLUSEPROGRAMPROC UseProgram = nullptr;
  PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation = nullptr;
  PFNGLUNIFORM1IPROC Uniform1i = nullptr;
  PFNGLDELETESHADERPROC DeleteShader = nullptr;
  PFNGLDELETEPROGRAMPROC DeleteProgram = nullptr;
  // Optional: fences (GL_ARB_sync) pace presentation, occlusion queries count pixels for
  // the fill measurement; both are null when the context lacks them.
  PFNGLFENCESYNCPROC FenceSync = nullptr;
  PFNGLCLIENTWAITSYNCPROC ClientWaitSync = nullptr;
  PFNGLDELETESYNCPROC DeleteSync = nullptr;
  PFNGLGENQUERIESPROC GenQueries = nullptr;
  PFNGLDELETEQUERIESPROC DeleteQueries = nullptr;
  PFNGLBEGINQUERYPROC BeginQuery = nullptr;
  PFNGLENDQUERYPROC EndQuery = nullptr;
  PFNGLGETQUERYOBJECTUIVPROC GetQueryObjectuiv = nullptr;
  bool hasS3tc = false;
  bool hasBgraArrays = false;
  int textureUnits = 1;

  // Loads everything from the current context; false when a required entry is missing.
  bool Load();
};

}  // namespace qm
