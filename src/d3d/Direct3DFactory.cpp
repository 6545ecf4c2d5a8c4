#include "d3d/Direct3DFactory.h"

#include <utility>

namespace qm {

namespace {
Direct3DFactory& InstalledFactory() {
  static Direct3DFactory factory;
  return factory;
}
}  // namespace

void SetDirect3DFactory(Direct3DFactory factory) { InstalledFactory() = std::move(factory); }

const Direct3DFactory& GetDirect3DFactory() { return InstalledFactory(); }

}  // namespace qm
