// Builds a control packet through the installed headers and libraries and checks its bytes,
// reads a map text from the installed module's string table, fills a numerics packet through
// the station layer (VuDoda::station) and reads an HL7 message with its hospital library.
// Beside it, the build compiles every header the package installs.
#include <cstdio>
#include <cstring>
#include <string>

#include "config/ObexConfig.h"
#include "constmap/ObConstMap.h"
#include "database/TBLPatientStudy.h"
#include "hospital/Hl7Message.h"
#include "packet/PKControl.h"
#include "packet/PKParam_v110.h"
#include "platform/afx.h"
#include "platform/afxwin.h"
#include "recording/CtgTrace.h"
#include "util/CGroupCheck.h"
#include "util/CSmartBuffer.h"
#include "util/CSortList.h"

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
  // The station layer: a trace sample goes into a numerics packet as the link carries it.
  CtgTrace trace;
  TraceSample sample;
  sample.Value(TraceChannel::FHR1) = 140.25f;
  trace.Append(sample);
  PKParam_v110 numerics;
  trace.FillNumerics(0, numerics);
  if (numerics.GetFHR1(0) != 140) {
    std::puts("the installed recording library does not fill numerics");
    return 1;
  }
  // The hospital library: an HL7 message read and written again.
  std::string fault;
  const auto message = Hl7Message::Parse("MSH|^~\\&|A\rPID|1||P\\F\\1\r", fault);
  if (!message || message->Value("PID", 3) != "P|1" || message->Serialise() != "MSH|^~\\&|A\rPID|1||P\\F\\1\r") {
    std::puts("the installed hospital library does not read HL7");
    return 1;
  }
  std::puts("VuDoda package works");
  return 0;
}
