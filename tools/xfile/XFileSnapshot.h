// XFileSnapshot: the `snapshot` command of quillmoor-xfile, a picture of one model drawn by
// XFileModel through the OpenGL back end offscreen (SDL's offscreen driver), written as PNG.
//
// The light is the saver's (directional, diffuse 1, ambient 0.35, travelling along +y); by
// default the camera stands toward -y, as the saver's does, and frames the bounding sphere.
// An animation set can be posed at a time. Used to look at the media and the test files.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "XFileSource.h"
#include "d3dx/D3DXMath.h"

namespace qm {

struct XFileSnapshotOptions {
  XFileSourceRequest source;
  std::string out;
  std::string set;       // empty: no animation
  float seconds = 0.0f;  // time into the set
  unsigned width = 640;
  unsigned height = 480;
  std::optional<D3DXVECTOR3> eye;  // both or neither
  std::optional<D3DXVECTOR3> at;
};

// Returns the process exit code: 0, or 1 with a message on `err`.
int RunXFileSnapshot(const XFileSnapshotOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qm
