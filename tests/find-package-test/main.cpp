// Builds a control packet through the installed headers and libraries and checks its bytes,
// and reads a map text from the installed module's string table.
#include <cstdio>
#include <cstring>

#include "constmap/ObConstMap.h"
#include "packet/PKControl.h"

int main() {
  PKControl control;
  control.SetType(3);
  control.SetData(7);
  control.ResetCheckSum();
  const unsigned char expected[] = {0xA0, 0x03, 0x07, 0xFF};
  if (control.IsValid() != 1 || std::memcmp(control.GetPacket(), expected, sizeof expected) != 0) {
    std::puts("control packet built through the installed package is wrong");
    return 1;
  }
  if (ObConstMap::GetOnOffText(1) != "On") {
    std::puts("the installed module's texts are not found");
    return 1;
  }
  std::puts("VuDoda package works");
  return 0;
}
