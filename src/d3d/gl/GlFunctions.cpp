#include "d3d/gl/GlFunctions.h"

#include <SDL.h>

#include <cstring>

namespace qm {

namespace {
template <class T>
void LoadEntry(T& entry, const char* name) {
  entry = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}
}  // namespace

bool GlFunctions::Load() {
  LoadEntry(ActiveTexture, "glActiveTexture");
  LoadEntry(ClientActiveTexture, "glClientActiveTexture");
  LoadEntry(CompressedTexImage2D, "glCompressedTexImage2D");
  LoadEntry(GetCompressedTexImage, "glGetCompressedTexImage");
  LoadEntry(CreateShader, "glCreateShader");
  LoadEntry(ShaderSource, "glShaderSource");
  LoadEntry(CompileShader, "glCompileShader");
  LoadEntry(GetShaderiv, "glGetShaderiv");
  LoadEntry(CreateProgram, "glCreateProgram");
  LoadEntry(AttachShader, "glAttachShader");
  LoadEntry(LinkProgram, "glLinkProgram");
  LoadEntry(GetProgramiv, "glGetProgramiv");
  LoadEntry(UseProgram, "glUseProgram");
  LoadEntry(GetUniformLocation, "glGetUniformLocation");
  LoadEntry(Uniform1i, "glUniform1i");
  LoadEntry(DeleteShader, "glDeleteShader");
  LoadEntry(DeleteProgram, "glDeleteProgram");
  if (SDL_GL_ExtensionSupported("GL_ARB_sync") == SDL_TRUE) {
    LoadEntry(FenceSync, "glFenceSync");
    LoadEntry(ClientWaitSync, "glClientWaitSync");
    LoadEntry(DeleteSync, "glDeleteSync");
    if (!FenceSync || !ClientWaitSync || !DeleteSync) FenceSync = nullptr;
  }
  LoadEntry(GenQueries, "glGenQueries");
  LoadEntry(DeleteQueries, "glDeleteQueries");
  LoadEntry(BeginQuery, "glBeginQuery");
  LoadEntry(EndQuery, "glEndQuery");
  LoadEntry(GetQueryObjectuiv, "glGetQueryObjectuiv");
  if (!DeleteQueries || !BeginQuery || !EndQuery || !GetQueryObjectuiv) GenQueries = nullptr;
  hasS3tc = SDL_GL_ExtensionSupported("GL_EXT_texture_compression_s3tc") == SDL_TRUE;
  hasBgraArrays = SDL_GL_ExtensionSupported("GL_EXT_vertex_array_bgra") == SDL_TRUE ||
                  SDL_GL_ExtensionSupported("GL_ARB_vertex_array_bgra") == SDL_TRUE;
  GLint units = 1;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  textureUnits = units < 1 ? 1 : units;
  return ActiveTexture && ClientActiveTexture && CreateShader && ShaderSource && CompileShader &&
         GetShaderiv && CreateProgram && AttachShader && LinkProgram && GetProgramiv &&
         UseProgram && GetUniformLocation && Uniform1i && DeleteShader && DeleteProgram;
}

}  // namespace qm
