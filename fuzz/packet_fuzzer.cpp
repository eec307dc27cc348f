// Feeds arbitrary received blocks and arbitrary accessor calls to every packet class of the
// monitor link, and checks after every step the promises that the packets make:
//
//   - the frame: type header, size, key and checksum byte agree with a model of the frame state
//     (valid flag and key, updated by the frame's own rules), so IsValid() is always predictable;
//   - a body accessor writes only inside its own field, never the type header byte or the
//     checksum byte, and nothing at all for an index outside its array;
//   - what a setter stores, its getter reads back (low bits kept, scaled values truncated);
//   - loading, clearing, stamping, copying and assignment do exactly what the frame promises.
//
// Input: the first byte picks the packet class (a type header picks its own class; any other
// byte picks one by its value). The first N bytes are the first received block, so a valid
// packet is a good seed. The rest of the input drives a sequence of operations.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "packet/PKAlarm_v110.h"
#include "packet/PKControl.h"
#include "packet/PKMonitor_v110.h"
#include "packet/PKParam_v110.h"
#include "packet/PKPatient_v110.h"
#include "packet/PKProtocolVer.h"
#include "packet/PKWave_v110.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Check(bool holds, const char* promise) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

Bytes BytesOf(PKBase& packet) { return Bytes(packet.GetPacket(), packet.GetPacket() + packet.GetPacketSize()); }

bool InRange(int index, int count) { return index >= 0 && index < count; }

// ---- drawing arguments ------------------------------------------------------------------------

// Mostly an index near the array's bounds, sometimes any int.
int DrawIndex(FuzzedDataProvider& in) {
  return in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(-2, 13);
}

// Mostly a plausible reading, sometimes any bit pattern (NaN, infinities, huge values).
template <class Real>
Real DrawReal(FuzzedDataProvider& in) {
  using Bits = std::conditional_t<sizeof(Real) == 4, uint32_t, uint64_t>;
  if (in.ConsumeBool()) return in.ConsumeFloatingPointInRange<Real>(-100, 1000);
  return std::bit_cast<Real>(in.ConsumeIntegral<Bits>());
}

// ---- what a setter promises its getter ----------------------------------------------------------

template <class Member>
struct MemberTraits;
template <class P, class R, class... Args>
struct MemberTraits<R (P::*)(Args...)> {
  using Packet = P;
  using Value = std::tuple_element_t<sizeof...(Args) - 1, std::tuple<Args...>>;
};
template <auto Member>
using PacketOf = typename MemberTraits<decltype(Member)>::Packet;
template <auto Member>
using ValueOf = std::remove_cvref_t<typename MemberTraits<decltype(Member)>::Value>;

constexpr long long kByte = 0xFF, kTwoBytes = 0xFFFF, kFourBytes = 0xFFFFFFFF;

// A stored integer reads back as the written value's low bits (signed samples compared as bits).
template <class Got, class Written>
bool ReadsBack(Got got, Written written, long long mask) {
  return (static_cast<long long>(got) & mask) == (static_cast<long long>(written) & mask);
}

// A scaled 2-byte value: value × scale truncated toward zero, low 16 bits. Where the product has
// no integer in int range the stored pattern is the implementation's; it still reads in range.
bool ScaledReadsBack(double got, double written, int scale) {
  const double product = std::trunc(written * scale);
  if (std::isfinite(product) && std::fabs(product) < 2147483647.0)
    return std::lround(got * scale) == (static_cast<long long>(product) & kTwoBytes);
  return got >= 0 && got <= kTwoBytes / static_cast<double>(scale) + 0.01;
}

template <auto Get, auto Set, long long Mask>
void Single(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const auto value = in.ConsumeIntegral<ValueOf<Set>>();
  (packet.*Set)(value);
  Check(ReadsBack((packet.*Get)(), value, Mask), "a field reads back the low bits of what was written");
}

// An array entry; outside the array the setter writes nothing and the getter gives `Outside`.
template <auto Get, auto Set, long long Mask, int Count, long long Outside>
void Entry(PacketOf<Set>& packet, int index, FuzzedDataProvider& in) {
  const auto value = in.ConsumeIntegral<ValueOf<Set>>();
  (packet.*Set)(index, value);
  const auto got = (packet.*Get)(index);
  Check(InRange(index, Count) ? ReadsBack(got, value, Mask) : static_cast<long long>(got) == Outside,
        "an array entry reads back, or an index outside the array reads the outside value");
}

// One nibble of an enable-and-level byte; the other nibble stays.
template <auto Get, auto Set, auto Other>
void Nibble(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const auto other = (packet.*Other)();
  const auto value = in.ConsumeIntegral<unsigned char>();
  (packet.*Set)(value);
  Check((packet.*Get)() == (value & 0x0F) && (packet.*Other)() == other, "a nibble setter keeps the other nibble");
}

// A flag bit: set by any nonzero argument; the partner flag stays.
template <auto Get, auto Set, auto Other>
void Flag(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const int other = (packet.*Other)();
  const int on = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(0, 2);
  (packet.*Set)(on);
  Check((packet.*Get)() == (on != 0 ? 1 : 0) && (packet.*Other)() == other, "a flag setter keeps the other flag");
}

// A fetal-movement count (bits 0-6) beside its mark (bit 7): each setter keeps the other part.
template <auto GetCount, auto SetCount, auto GetMark>
void MovementCount(PacketOf<SetCount>& packet, int index, FuzzedDataProvider& in) {
  const int mark = (packet.*GetMark)(index);
  const auto count = in.ConsumeIntegral<unsigned char>();
  (packet.*SetCount)(index, count);
  const bool inside = InRange(index, 5);
  Check((packet.*GetCount)(index) == (inside ? (count & 0x7F) : 0) && (packet.*GetMark)(index) == mark,
        "a movement count reads back and keeps its mark");
}

template <auto GetMark, auto SetMark, auto GetCount>
void MovementMark(PacketOf<SetMark>& packet, int index, FuzzedDataProvider& in) {
  const int count = (packet.*GetCount)(index);
  const int mark = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(0, 2);
  (packet.*SetMark)(index, mark);
  const bool inside = InRange(index, 5);
  Check((packet.*GetMark)(index) == (inside && mark == 1 ? 0x80 : 0) && (packet.*GetCount)(index) == count,
        "a movement mark is set by exactly 1 and keeps its count");
}

template <auto Get, auto Set, int Scale>
void Scaled(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const auto value = DrawReal<ValueOf<Set>>(in);
  (packet.*Set)(value);
  Check(ScaledReadsBack((packet.*Get)(), value, Scale), "a scaled value reads back truncated");
}

template <auto Get, auto Set, long long Mask>
void LimitPair(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const int first = in.ConsumeIntegral<int>();
  const int second = in.ConsumeIntegral<int>();
  (packet.*Set)(first, second);
  int gotFirst = -1, gotSecond = -1;
  (packet.*Get)(gotFirst, gotSecond);
  Check(ReadsBack(gotFirst, first, Mask) && ReadsBack(gotSecond, second, Mask), "a limit pair reads back in order");
}

// A fixed text field: the text up to its first zero byte, at most Width bytes.
template <auto Get, auto Set, int Width>
void Text(PacketOf<Set>& packet, int, FuzzedDataProvider& in) {
  const std::string text = in.ConsumeRandomLengthString(2 * Width);
  (packet.*Set)(CString(text.data(), static_cast<int>(text.size())));
  const std::string stored = text.substr(0, Width);
  Check((packet.*Get)().str() == stored.substr(0, stored.find('\0')), "a text field reads back cut to its width");
}

// Any kind or channel, any index: the answer is 0 or 1 and nothing is written.
template <auto IsValidData>
void Presence(PacketOf<IsValidData>& packet, int index, FuzzedDataProvider& in) {
  const int kind = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange<int>(-1, 21);
  const int answer = (packet.*IsValidData)(kind, index);
  Check(answer == 0 || answer == 1, "IsValidData answers 0 or 1");
}

void TempLimits(PKAlarm_v110& packet, int, FuzzedDataProvider& in) {
  const float first = DrawReal<float>(in);
  const float second = DrawReal<float>(in);
  packet.SetTempLimit(first, second);
  float gotFirst = -1, gotSecond = -1;
  packet.GetTempLimit(gotFirst, gotSecond);
  Check(ScaledReadsBack(gotFirst, first, 10) && ScaledReadsBack(gotSecond, second, 10),
        "temperature limits read back truncated");
}

std::string VersionText(int main, int sub) { return std::to_string(main) + "." + std::to_string(sub); }

void ProtocolVersion(PKProtocolVer& packet, int, FuzzedDataProvider& in) {
  const auto draw = [&in] { return in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(-1, 256); };
  const int main = draw(), sub = draw();
  packet.SetVersion(main, sub);
  Check(packet.GetMainVersion() == (main & 0xFF) && packet.GetSubVersion() == (sub & 0xFF),
        "a protocol version keeps the low 8 bits");
  Check(packet.GetVersionToString().str() == VersionText(main & 0xFF, sub & 0xFF), "the version text is main.sub");
  const int otherMain = draw(), otherSub = draw();
  Check(packet.IsMachedVersion(otherMain, otherSub) ==
            (otherMain == packet.GetMainVersion() && otherSub == packet.GetSubVersion()),
        "a version matches exactly its two bytes");
}

void MonitorVersion(PKMonitor_v110& packet, int, FuzzedDataProvider& in) {
  const auto main = in.ConsumeIntegral<unsigned char>();
  const auto sub = in.ConsumeIntegral<unsigned char>();
  packet.SetVersion(main, sub);
  unsigned char gotMain = 0, gotSub = 0;
  packet.GetVersion(gotMain, gotSub);
  Check(gotMain == main && gotSub == sub, "the software version reads back");
  Check(packet.GetVersionToSting().str() == VersionText(main, sub), "the software version text is main.sub");
}

void NullData(PKParam_v110& packet, int, FuzzedDataProvider&) {
  packet.SetNullData();
  for (int kind = 1; kind <= 19; ++kind)
    for (int index = 0; index < 5; ++index) Check(packet.IsValidData(kind, index) == 0, "a null packet holds no value");
  Check(packet.GetPacket()[0] == packet.GetTypeHeader(), "a null packet keeps its type header");
}

// ---- the accessor tables ------------------------------------------------------------------------

// One accessor of a packet class: the width of the field it writes (0: writes nothing), the
// number of entries of its array (0: not an array; the index is ignored), and the step that
// calls it with arbitrary arguments and checks what it promises.
template <class P>
struct Accessor {
  int width;
  int entries;
  void (*step)(P&, int, FuzzedDataProvider&);
  bool marksValid = false;  // leaves the valid flag at 1, as SetNullData does
};

template <class P>
const std::vector<Accessor<P>>& AccessorsOf();

template <>
const std::vector<Accessor<PKControl>>& AccessorsOf() {
  using P = PKControl;
  static const std::vector<Accessor<P>> table = {
      {1, 0, Single<&P::GetType, &P::SetType, kByte>},
      {1, 0, Single<&P::GetData, &P::SetData, kByte>},
  };
  return table;
}

template <>
const std::vector<Accessor<PKProtocolVer>>& AccessorsOf() {
  static const std::vector<Accessor<PKProtocolVer>> table = {{2, 0, ProtocolVersion}};
  return table;
}

template <>
const std::vector<Accessor<PKParam_v110>>& AccessorsOf() {
  using P = PKParam_v110;
  static const std::vector<Accessor<P>> table = {
      {4, 0, Single<&P::GetTimeStamp, &P::SetTimeStamp, kFourBytes>},
      {1, 0, Single<&P::GetFHR1Alarm, &P::SetFHR1Alarm, kByte>},
      {1, 0, Single<&P::GetFHR2Alarm, &P::SetFHR2Alarm, kByte>},
      {1, 0, Single<&P::GetUCAlarm, &P::SetUCAlarm, kByte>},
      {1, 0, Single<&P::GetUCZeroing, &P::SetUCZeroing, kByte>},
      {1, 0, Single<&P::GetECGAlarm, &P::SetECGAlarm, kByte>},
      {1, 0, Single<&P::GetSpO2Alarm, &P::SetSpO2Alarm, kByte>},
      {1, 0, Single<&P::GetNIBPAlarm, &P::SetNIBPAlarm, kByte>},
      {1, 0, Single<&P::GetNIBPStatus, &P::SetNIBPStatus, kByte>},
      {1, 0, Single<&P::GetTempAlarm, &P::SetTempAlarm, kByte>},
      {1, 0, Single<&P::GetFECGAlarm, &P::SetFECGAlarm, kByte>},
      {1, 0, Single<&P::GetFSpO2Alarm, &P::SetFSpO2Alarm, kByte>},
      {1, 0, Single<&P::GetIUPAlarm, &P::SetIUPAlarm, kByte>},
      {1, 0, Single<&P::GetIUPZeroing, &P::SetIUPZeroing, kByte>},
      {1, 5, Entry<&P::GetFHR1, &P::SetFHR1, kByte, 5, 0>},
      {1, 5, Entry<&P::GetFHR2, &P::SetFHR2, kByte, 5, 0>},
      {1, 5, Entry<&P::GetUC, &P::SetUC, kByte, 5, 0>},
      {1, 5, Entry<&P::GetSpO2, &P::SetSpO2, kByte, 5, 0>},
      {1, 5, Entry<&P::GetFECG, &P::SetFECG, kByte, 5, 0>},
      {1, 5, Entry<&P::GetFSpO2, &P::SetFSpO2, kByte, 5, 0>},
      {1, 5, Entry<&P::GetIUP, &P::SetIUP, kByte, 5, 0>},
      {2, 5, Entry<&P::GetECG, &P::SetECG, kTwoBytes, 5, 0>},
      {2, 5, Entry<&P::GetSpO2R, &P::SetSpO2R, kTwoBytes, 5, 0>},
      {2, 5, Entry<&P::GetFSpO2R, &P::SetFSpO2R, kTwoBytes, 5, 0>},
      {2, 0, Single<&P::GetNIBPSys, &P::SetNIBPSys, kTwoBytes>},
      {2, 0, Single<&P::GetNIBPMean, &P::SetNIBPMean, kTwoBytes>},
      {2, 0, Single<&P::GetNIBPDia, &P::SetNIBPDia, kTwoBytes>},
      {1, 5, MovementCount<&P::GetFM1, &P::SetFM1, &P::GetFMD1>},
      {1, 5, MovementCount<&P::GetFM2, &P::SetFM2, &P::GetFMD2>},
      {1, 5, MovementMark<&P::GetFMD1, &P::SetFMD1, &P::GetFM1>},
      {1, 5, MovementMark<&P::GetFMD2, &P::SetFMD2, &P::GetFM2>},
      {2, 0, Scaled<&P::GetTemp, &P::SetTemp, 10>},
      {1, 0, Flag<&P::GetMarker, &P::SetMarker, &P::GetStimulator>},
      {1, 0, Flag<&P::GetStimulator, &P::SetStimulator, &P::GetMarker>},
      {0, 0, Presence<&P::IsValidData>},
      {108, 0, NullData, true},
  };
  return table;
}

template <>
const std::vector<Accessor<PKWave_v110>>& AccessorsOf() {
  using P = PKWave_v110;
  static const std::vector<Accessor<P>> table = {
      {2, 12, Entry<&P::GetECG, &P::SetECG, kTwoBytes, 12, -32768>},
      {2, 12, Entry<&P::GetFECG, &P::SetFECG, kTwoBytes, 12, -32768>},
      {1, 3, Entry<&P::GetSpO2, &P::SetSpO2, kByte, 3, 255>},
      {1, 3, Entry<&P::GetFSpO2, &P::SetFSpO2, kByte, 3, 255>},
      {0, 0, Presence<&P::IsValidData>},
  };
  return table;
}

template <>
const std::vector<Accessor<PKMonitor_v110>>& AccessorsOf() {
  using P = PKMonitor_v110;
  static const std::vector<Accessor<P>> table = {
      {2, 0, MonitorVersion},
      {20, 0, Text<&P::GetUnitName, &P::SetUnitName, 20>},
      {1, 0, Single<&P::GetModelType, &P::SetModelType, kByte>},
      {1, 0, Single<&P::GetMonitorNumber, &P::SetMonitorNumber, kByte>},
      {1, 0, Single<&P::GetDisplayMode, &P::SetDisplayMode, kByte>},
      {1, 0, Single<&P::GetECGLead, &P::SetECGLead, kByte>},
      {1, 0, Single<&P::GetQRSVolume, &P::SetQRSVolume, kByte>},
      {1, 0, Single<&P::GetECGFilter, &P::SetECGFilter, kByte>},
      {1, 0, Single<&P::GetECGACFilter, &P::SetECGACFilter, kByte>},
      {1, 0, Single<&P::GetPace, &P::SetPace, kByte>},
      {1, 0, Single<&P::GetSpO2RateVolume, &P::SetSpO2RateVolume, kByte>},
      {1, 0, Single<&P::GetNIBPCuffType, &P::SetNIBPCuffType, kByte>},
      {1, 0, Single<&P::GetNIBPInterval, &P::SetNIBPInterval, kByte>},
      {1, 0, Single<&P::GetNIBPMode, &P::SetNIBPMode, kByte>},
      {1, 0, Single<&P::GetFQRSVolume, &P::SetFQRSVolume, kByte>},
      {1, 0, Single<&P::GetFECGFilter, &P::SetFECGFilter, kByte>},
      {1, 0, Single<&P::GetFECGACFilter, &P::SetFECGACFilter, kByte>},
      {1, 0, Single<&P::GetFSpO2RateVolume, &P::SetFSpO2RateVolume, kByte>},
      {1, 0, Single<&P::GetFHRAutoGainControl, &P::SetFHRAutoGainControl, kByte>},
      {1, 0, Single<&P::GetFHR1Volume, &P::SetFHR1Volume, kByte>},
      {1, 0, Single<&P::GetFHR2Volume, &P::SetFHR2Volume, kByte>},
      {1, 0, Single<&P::GetFHR2Offset, &P::SetFHR2Offset, kByte>},
      {1, 0, Single<&P::GetUCOffset, &P::SetUCOffset, kByte>},
      {1, 0, Single<&P::GetIUPOffset, &P::SetIUPOffset, kByte>},
      {1, 0, Single<&P::GetAutoZeroing, &P::SetAutoZeroing, kByte>},
      {1, 0, Single<&P::GetFetalMovement, &P::SetFetalMovement, kByte>},
  };
  return table;
}

template <>
const std::vector<Accessor<PKPatient_v110>>& AccessorsOf() {
  using P = PKPatient_v110;
  static const std::vector<Accessor<P>> table = {
      {20, 0, Text<&P::GetPatientId, &P::SetPatientId, 20>},
      {20, 0, Text<&P::GetLastName, &P::SetLastName, 20>},
      {20, 0, Text<&P::GetFirstName, &P::SetFirstName, 20>},
      {1, 0, Single<&P::GetGender, &P::SetGender, kByte>},
      {1, 0, Single<&P::GetAge, &P::SetAge, kByte>},
      {2, 0, Single<&P::GetYear, &P::SetYear, kTwoBytes>},
      {1, 0, Single<&P::GetMonth, &P::SetMonth, kByte>},
      {1, 0, Single<&P::GetDay, &P::SetDay, kByte>},
      {2, 0, Scaled<&P::GetHeight, &P::SetHeight, 100>},
      {2, 0, Scaled<&P::GetWeight, &P::SetWeight, 100>},
  };
  return table;
}

template <>
const std::vector<Accessor<PKAlarm_v110>>& AccessorsOf() {
  using P = PKAlarm_v110;
  static const std::vector<Accessor<P>> table = {
      {1, 0, Nibble<&P::GetFHR1AlarmEnable, &P::SetFHR1AlarmEnable, &P::GetFHR1Level>},
      {1, 0, Nibble<&P::GetFHR1Level, &P::SetFHR1Level, &P::GetFHR1AlarmEnable>},
      {1, 0, Nibble<&P::GetFHR2AlarmEnable, &P::SetFHR2AlarmEnable, &P::GetFHR2Level>},
      {1, 0, Nibble<&P::GetFHR2Level, &P::SetFHR2Level, &P::GetFHR2AlarmEnable>},
      {1, 0, Nibble<&P::GetUCAlarmEnable, &P::SetUCAlarmEnable, &P::GetUCLevel>},
      {1, 0, Nibble<&P::GetUCLevel, &P::SetUCLevel, &P::GetUCAlarmEnable>},
      {1, 0, Nibble<&P::GetECGAlarmEnable, &P::SetECGAlarmEnable, &P::GetECGLevel>},
      {1, 0, Nibble<&P::GetECGLevel, &P::SetECGLevel, &P::GetECGAlarmEnable>},
      {1, 0, Nibble<&P::GetSpO2AlarmEnable, &P::SetSpO2AlarmEnable, &P::GetSpO2Level>},
      {1, 0, Nibble<&P::GetSpO2Level, &P::SetSpO2Level, &P::GetSpO2AlarmEnable>},
      {1, 0, Nibble<&P::GetNIBPAlarmEnable, &P::SetNIBPAlarmEnable, &P::GetNIBPLevel>},
      {1, 0, Nibble<&P::GetNIBPLevel, &P::SetNIBPLevel, &P::GetNIBPAlarmEnable>},
      {1, 0, Nibble<&P::GetTempAlarmEnable, &P::SetTempAlarmEnable, &P::GetTempLevel>},
      {1, 0, Nibble<&P::GetTempLevel, &P::SetTempLevel, &P::GetTempAlarmEnable>},
      {1, 0, Nibble<&P::GetFECGAlarmEnable, &P::SetFECGAlarmEnable, &P::GetFECGLevel>},
      {1, 0, Nibble<&P::GetFECGLevel, &P::SetFECGLevel, &P::GetFECGAlarmEnable>},
      {1, 0, Nibble<&P::GetFSpO2AlarmEnable, &P::SetFSpO2AlarmEnable, &P::GetFSpO2Level>},
      {1, 0, Nibble<&P::GetFSpO2Level, &P::SetFSpO2Level, &P::GetFSpO2AlarmEnable>},
      {1, 0, Nibble<&P::GetIUPAlarmEnable, &P::SetIUPAlarmEnable, &P::GetIUPLevel>},
      {1, 0, Nibble<&P::GetIUPLevel, &P::SetIUPLevel, &P::GetIUPAlarmEnable>},
      {1, 0, Single<&P::GetSpO2RLevel, &P::SetSpO2RLevel, kByte>},
      {1, 0, Single<&P::GetFSpO2RLevel, &P::SetFSpO2RLevel, kByte>},
      {1, 0, Single<&P::GetNIBPSource, &P::SetNIBPSource, kByte>},
      {2, 0, LimitPair<&P::GetFHR1Limit, &P::SetFHR1Limit, kByte>},
      {2, 0, LimitPair<&P::GetFHR2Limit, &P::SetFHR2Limit, kByte>},
      {2, 0, LimitPair<&P::GetUCLimit, &P::SetUCLimit, kByte>},
      {2, 0, LimitPair<&P::GetUCFreqLimit, &P::SetUCFreqLimit, kByte>},
      {2, 0, LimitPair<&P::GetSpO2Limit, &P::SetSpO2Limit, kByte>},
      {2, 0, LimitPair<&P::GetFECGLimit, &P::SetFECGLimit, kByte>},
      {2, 0, LimitPair<&P::GetFSpO2Limit, &P::SetFSpO2Limit, kByte>},
      {2, 0, LimitPair<&P::GetFSpO2RLimit, &P::SetFSpO2RLimit, kByte>},
      {2, 0, LimitPair<&P::GetIUPLimit, &P::SetIUPLimit, kByte>},
      {2, 0, LimitPair<&P::GetIUPFreqLimit, &P::SetIUPFreqLimit, kByte>},
      {4, 0, LimitPair<&P::GetECGLimit, &P::SetECGLimit, kTwoBytes>},
      {4, 0, LimitPair<&P::GetSpO2RLimit, &P::SetSpO2RLimit, kTwoBytes>},
      {4, 0, LimitPair<&P::GetNIBPLimit, &P::SetNIBPLimit, kTwoBytes>},
      {4, 0, TempLimits},
  };
  return table;
}

// ---- the frame ----------------------------------------------------------------------------------

// What the frame's state must be, kept by the frame's own rules beside the packet.
struct FrameModel {
  int validFlag = 0;
  unsigned char key = 0xFF;
};

template <class P>
class PacketRun {
 public:
  PacketRun(FuzzedDataProvider& in, unsigned char typeHeader, int size)
      : m_in(in), m_typeHeader(typeHeader), m_size(size) {}

  void Run() {
    CheckFresh();
    Load(m_in.ConsumeBytes<unsigned char>(static_cast<size_t>(m_size)));
    while (m_in.remaining_bytes() > 0) {
      Step();
      CheckFrame();
    }
  }

 private:
  void CheckFresh() {
    const Bytes bytes = BytesOf(m_packet);
    Check(m_packet.GetPacketSize() == m_size && m_packet.GetTypeHeader() == m_typeHeader,
          "a packet has its kind's size and type header");
    Check(bytes.front() == m_typeHeader && bytes.back() == 0xFF &&
              std::all_of(bytes.begin() + 1, bytes.end() - 1, [](unsigned char b) { return b == 0; }),
          "a new packet is its type header, zeros, and the key 0xFF");
    Check(m_packet.IsValid() == 0, "a new packet is not valid");
  }

  // After every step: the frame agrees with the model.
  void CheckFrame() {
    Check(m_packet.GetTypeHeader() == m_typeHeader && m_packet.GetPacketSize() == m_size,
          "type header and size never change");
    Check(m_packet.GetKey() == m_model.key && m_packet.GetCheckSum() == m_packet.GetKey(),
          "the key follows the frame's rules and is the checksum");
    const bool stamped = m_packet.GetPacket()[m_size - 1] == m_model.key;
    Check(m_packet.IsValid() == (m_model.validFlag && stamped ? 1 : 0), "IsValid is the valid flag and the stamp");
  }

  void Step() {
    switch (m_in.ConsumeIntegralInRange(0, 11)) {
      case 0: return Load(DrawBlock());
      case 1: return SetKey();
      case 2: return Stamp();
      case 3: return ClearToZero();
      case 4: return ClearToFill();
      case 5: return CopyConstruct();
      case 6: return Assign();
      case 7: return CopyFromBareFrame();
      default: return Access();
    }
  }

  Bytes DrawBlock() {
    const size_t size = m_in.ConsumeBool() ? static_cast<size_t>(m_size)
                                           : m_in.ConsumeIntegralInRange<size_t>(0, 2 * static_cast<size_t>(m_size));
    return m_in.ConsumeBytes<unsigned char>(size);
  }

  void Load(Bytes block) {
    const int checkKey = m_in.ConsumeBool() ? 0 : m_in.ConsumeIntegral<int>();
    const Bytes before = BytesOf(m_packet);
    const int size = static_cast<int>(block.size());
    const int loaded = m_packet.SetPacket(block.data(), size, checkKey);
    if (size != m_size) {
      Check(loaded == 0 && BytesOf(m_packet) == before, "a block of the wrong size changes nothing");
    } else if (checkKey != 0 && block.back() != m_model.key) {
      Check(loaded == 0 && BytesOf(m_packet) == before, "a block with a wrong key is refused and its bytes stay");
      m_model.validFlag = 0;
    } else {
      Check(loaded == 1 && BytesOf(m_packet) == block, "an accepted block is copied in whole");
      m_model.key = block.back();
      m_model.validFlag = 1;
    }
  }

  void SetKey() {
    const Bytes before = BytesOf(m_packet);
    m_model.key = m_in.ConsumeIntegral<unsigned char>();
    m_packet.SetKey(m_model.key);
    CheckOnlyChecksumByteChanged(before);
  }

  void Stamp() {
    const Bytes before = BytesOf(m_packet);
    m_packet.ResetCheckSum();
    m_model.validFlag = 1;
    CheckOnlyChecksumByteChanged(before);
    Check(m_packet.IsValid() == 1, "a stamped packet is valid");
  }

  void CheckOnlyChecksumByteChanged(Bytes before) {
    before.back() = m_model.key;
    Check(BytesOf(m_packet) == before, "only the checksum byte takes the key");
  }

  void ClearToZero() {
    m_packet.Clear();
    m_model.validFlag = 0;
    CheckCleared(0);
  }

  void ClearToFill() {
    const auto fill = m_in.ConsumeIntegral<unsigned char>();
    m_packet.Clear(fill);
    m_model.validFlag = 1;
    CheckCleared(fill);
  }

  void CheckCleared(unsigned char fill) {
    Bytes expected(static_cast<size_t>(m_size), fill);
    expected.front() = m_typeHeader;
    expected.back() = m_model.key;
    Check(BytesOf(m_packet) == expected, "a clear fills the body and keeps type header and key");
  }

  void CopyConstruct() {
    const Bytes before = BytesOf(m_packet);
    P copy(m_packet);
    Check(copy.GetPacket() != m_packet.GetPacket() && BytesOf(copy) == before, "a copy owns the same bytes");
    Check(copy.GetKey() == m_packet.GetKey() && copy.IsValid() == m_packet.IsValid() &&
              copy.GetTypeHeader() == m_typeHeader && copy.GetPacketSize() == m_size,
          "a copy has the source's frame");
    copy.Clear(static_cast<unsigned char>(~before[1]));
    Check(BytesOf(m_packet) == before, "changing a copy leaves its source alone");
  }

  void Assign() {
    P other;
    Bytes block = m_in.ConsumeBytes<unsigned char>(static_cast<size_t>(m_size));
    other.SetPacket(block.data(), static_cast<int>(block.size()), 0);
    if (m_in.ConsumeBool()) other.GetPacket()[m_size - 1] = m_in.ConsumeIntegral<unsigned char>();
    P& source = m_in.ConsumeBool() ? m_packet : other;  // also assignment to itself
    const Bytes expected = BytesOf(source);
    const unsigned char key = source.GetKey();
    P& result = (m_packet = source);
    Check(&result == &m_packet && BytesOf(m_packet) == expected, "assignment copies the bytes");
    m_model.key = key;
  }

  // CopyPacket from a frame of any size over an outside buffer: a shorter one is refused.
  void CopyFromBareFrame() {
    const int size = m_in.ConsumeIntegralInRange(1, 2 * m_size);
    Bytes buffer(static_cast<size_t>(size));
    PKBase bare(buffer.data(), size, m_in.ConsumeIntegral<unsigned char>());
    const Bytes content = m_in.ConsumeBytes<unsigned char>(buffer.size());
    std::copy(content.begin(), content.end(), buffer.begin());
    if (m_in.ConsumeBool()) bare.SetKey(m_in.ConsumeIntegral<unsigned char>());
    const Bytes before = BytesOf(m_packet);
    const int copied = m_packet.CopyPacket(&bare);
    if (size < m_size) {
      Check(copied == 0 && BytesOf(m_packet) == before, "a shorter packet is not copied");
      return;
    }
    Check(copied == m_size && std::equal(buffer.begin(), buffer.begin() + m_size, m_packet.GetPacket()),
          "CopyPacket copies this packet's size");
    m_model.key = bare.GetKey();
  }

  void Access() {
    const auto& table = AccessorsOf<P>();
    const size_t which = m_in.ConsumeIntegralInRange<size_t>(0, table.size() - 1);
    const Accessor<P>& accessor = table[which];
    const int index = DrawIndex(m_in);
    const Bytes before = BytesOf(m_packet);
    accessor.step(m_packet, index, m_in);
    if (accessor.marksValid) m_model.validFlag = 1;
    const bool outside = accessor.entries > 0 && !InRange(index, accessor.entries);
    if (!ChangedWithin(before, BytesOf(m_packet), outside ? 0 : accessor.width)) {
      std::fprintf(stderr, "accessor %zu of %s wrote outside its field\n", which, __PRETTY_FUNCTION__);
      Check(false, "an accessor writes only its own field");
    }
  }

  // The changed bytes lie within `width` consecutive bytes of the body; a field as wide as the
  // packet may change anything.
  bool ChangedWithin(const Bytes& before, const Bytes& after, int width) const {
    if (width >= m_size) return true;
    const auto first = std::mismatch(before.begin(), before.end(), after.begin()).first - before.begin();
    if (first == m_size) return true;
    const auto last = m_size - 1 - (std::mismatch(before.rbegin(), before.rend(), after.rbegin()).first - before.rbegin());
    return first >= 1 && last <= m_size - 2 && last - first + 1 <= width;
  }

  FuzzedDataProvider& m_in;
  const unsigned char m_typeHeader;
  const int m_size;
  P m_packet;
  FrameModel m_model;
};

// The packet kinds of the link, by type header, with their sizes.
struct Kind {
  unsigned char typeHeader;
  int size;
  void (*run)(FuzzedDataProvider&, unsigned char, int);
};

template <class P>
void RunPacket(FuzzedDataProvider& in, unsigned char typeHeader, int size) {
  PacketRun<P>(in, typeHeader, size).Run();
}

constexpr Kind kKinds[] = {
    {0xA0, 4, RunPacket<PKControl>},
    {0xB0, 4, RunPacket<PKProtocolVer>},
    {0xB1, 80, RunPacket<PKPatient_v110>},
    {0xB2, 60, RunPacket<PKAlarm_v110>},
    {0xB3, 56, RunPacket<PKMonitor_v110>},
    {0xC0, 56, RunPacket<PKWave_v110>},
    {0xC1, 108, RunPacket<PKParam_v110>},
};

const Kind& KindFor(unsigned char firstByte) {
  for (const Kind& kind : kKinds)
    if (kind.typeHeader == firstByte) return kind;
  return kKinds[firstByte % std::size(kKinds)];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const Kind& kind = KindFor(data[0]);
  FuzzedDataProvider in(data, size);
  kind.run(in, kind.typeHeader, kind.size);
  return 0;
}
