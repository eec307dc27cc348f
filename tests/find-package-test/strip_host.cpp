// A host that links one library of the station layer alone (VuDoda::strip) and gets what it
// stands on with it: the strip's paper geometry, on the recording and link libraries beneath.
#include <cstdio>

#include "strip/StripLayout.h"

int main() {
  const StripLayout layout(1, StripLayout::DefaultBpmPerCm(1), StripPaper::A4);
  // At 1 cm/min the heart-rate scale is 20 bpm/cm over 50-210 bpm.
  if (layout.BpmPerCm() != 20 || layout.LowestBpm() != 50 || layout.HighestBpm() != 210) {
    std::puts("the installed strip library has another heart-rate scale");
    return 1;
  }
  std::puts("VuDoda::strip works alone");
  return 0;
}
