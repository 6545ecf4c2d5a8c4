#include "graphics/GammaRamp.h"

namespace qm {

D3DGAMMARAMP GammaRampFromSetting(std::uint8_t gamma) {
  D3DGAMMARAMP ramp{};
  for (int i = 0; i < 256; ++i) {
    int entry;
    if (gamma <= 100) {
      const int step = 256 - 2 * (100 - gamma);
      entry = step * i;
    } else {
      const int step = int(256.0 - 1.5 * (gamma - 100));  // truncated toward zero
      entry = 65355 - step * (255 - i);
    }
    ramp.red[i] = ramp.green[i] = ramp.blue[i] = WORD(entry);
  }
  return ramp;
}

}  // namespace qm
