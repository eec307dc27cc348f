#include "recording/CtgTrace.h"

#include <algorithm>
#include <cmath>

#include "link/ParamKind.h"
#include "packet/PKParam_v110.h"

namespace {

constexpr int kByteLimit = 0xFF;      // 0xFF marks no value: a byte field holds 0-254
constexpr int kWordLimit = 0xFFFF;    // likewise 0xFFFF for a 2-byte field
constexpr int kCountLimit = 0x7F;     // and 0x7F for a 7-bit movement count
constexpr unsigned char kAlarmNormal = 0;
constexpr unsigned char kZeroingDone = 1;

using Packet = PKParam_v110;
using Byte = unsigned char;
using AlarmGetter = unsigned char (Packet::*)();
using AlarmSetter = void (Packet::*)(unsigned char);

// Where a trace channel lives in the numerics packet.
struct ChannelField {
  TraceChannel channel;
  int kind;   // for IsValidData
  int limit;  // the field holds 0 to limit - 1; limit itself marks no value
  int (*get)(Packet&, int);
  void (*set)(Packet&, int, int);
  AlarmGetter getAlarm;  // nullptr: the channel has no alarm status
  AlarmSetter setAlarm;
};

// A field's getter and setter through ints, whether it holds bytes or 2-byte values.
template <class Value, Value (Packet::*Get)(int)>
int GetAs(Packet& packet, int index) {
  return (packet.*Get)(index);
}
template <class Value, void (Packet::*Set)(int, Value)>
void SetAs(Packet& packet, int index, int value) {
  (packet.*Set)(index, static_cast<Value>(value));
}

// The maternal heart rate travels as the ECG heart rate.
constexpr ChannelField kFields[] = {
    {TraceChannel::FHR1, kParamFHR1, kByteLimit, GetAs<Byte, &Packet::GetFHR1>, SetAs<Byte, &Packet::SetFHR1>,
     &Packet::GetFHR1Alarm, &Packet::SetFHR1Alarm},
    {TraceChannel::FHR2, kParamFHR2, kByteLimit, GetAs<Byte, &Packet::GetFHR2>, SetAs<Byte, &Packet::SetFHR2>,
     &Packet::GetFHR2Alarm, &Packet::SetFHR2Alarm},
    {TraceChannel::MHR, kParamECG, kWordLimit, GetAs<int, &Packet::GetECG>, SetAs<int, &Packet::SetECG>,
     &Packet::GetECGAlarm, &Packet::SetECGAlarm},
    {TraceChannel::FECG, kParamFECG, kByteLimit, GetAs<Byte, &Packet::GetFECG>, SetAs<Byte, &Packet::SetFECG>,
     &Packet::GetFECGAlarm, &Packet::SetFECGAlarm},
    {TraceChannel::UC, kParamUC, kByteLimit, GetAs<Byte, &Packet::GetUC>, SetAs<Byte, &Packet::SetUC>,
     &Packet::GetUCAlarm, &Packet::SetUCAlarm},
    {TraceChannel::IUP, kParamIUP, kByteLimit, GetAs<Byte, &Packet::GetIUP>, SetAs<Byte, &Packet::SetIUP>,
     &Packet::GetIUPAlarm, &Packet::SetIUPAlarm},
    {TraceChannel::FM1, kParamFM1, kCountLimit, GetAs<Byte, &Packet::GetFM1>, SetAs<Byte, &Packet::SetFM1>,
     nullptr, nullptr},
    {TraceChannel::FM2, kParamFM2, kCountLimit, GetAs<Byte, &Packet::GetFM2>, SetAs<Byte, &Packet::SetFM2>,
     nullptr, nullptr},
};
static_assert(std::size(kFields) == kTraceChannelCount);

// Statuses of the packet's parameters that a trace does not carry.
constexpr AlarmSetter kOtherAlarms[] = {&Packet::SetSpO2Alarm, &Packet::SetNIBPAlarm,
                                        &Packet::SetTempAlarm, &Packet::SetFSpO2Alarm};

bool IsZeroing(unsigned char code) { return code >= 1 && code <= 5; }

// The sample of the packet at `index`; the packet-wide marks go to the first sample only.
TraceSample SampleOf(Packet& packet, int index) {
  TraceSample sample;
  for (const ChannelField& field : kFields) {
    if (packet.IsValidData(field.kind, index) != 0) {
      sample.Value(field.channel) = static_cast<float>(field.get(packet, index));
    }
    if (field.getAlarm != nullptr) sample.Alarm(field.channel) = (packet.*field.getAlarm)();
  }
  if (packet.GetFMD1(index) != 0) sample.marks |= TraceSample::kMovement1;
  if (packet.GetFMD2(index) != 0) sample.marks |= TraceSample::kMovement2;
  if (index != 0) return sample;
  if (packet.GetMarker() != 0) sample.marks |= TraceSample::kMarker;
  if (packet.GetStimulator() != 0) sample.marks |= TraceSample::kStimulator;
  if (IsZeroing(packet.GetUCZeroing())) sample.marks |= TraceSample::kUCZeroing;
  if (IsZeroing(packet.GetIUPZeroing())) sample.marks |= TraceSample::kIUPZeroing;
  return sample;
}

// The whole units a field holds for `value`, or -1 where it cannot hold it.
int Holdable(float value, int limit) {
  const double rounded = std::round(static_cast<double>(value));
  if (!(rounded >= 0 && rounded < limit)) return -1;  // also NaN
  return static_cast<int>(rounded);
}

}  // namespace

const TraceSample& CtgTrace::At(std::uint64_t place) const {
  static const TraceSample kAbsent;
  // Readers mostly ask near the end, so the runs are searched from the last.
  for (auto run = m_runs.rbegin(); run != m_runs.rend(); ++run) {
    if (place >= run->first + run->samples.size()) return kAbsent;
    if (place >= run->first) return run->samples[place - run->first];
  }
  return kAbsent;
}

void CtgTrace::Append(const TraceSample& sample) {
  m_started = true;
  AddAt(m_end, sample);
}

void CtgTrace::AddAt(std::uint64_t place, const TraceSample& sample) {
  if (m_runs.empty() || m_runs.back().first + m_runs.back().samples.size() != place) {
    m_runs.push_back(Run{place, {}});
  }
  m_runs.back().samples.push_back(sample);
  m_end = place + 1;
}

void CtgTrace::AddNumerics(PKParam_v110& packet) { AddNumericsAt(packet, PlaceOf(packet)); }

void CtgTrace::AddNumericsAt(PKParam_v110& packet, std::uint64_t place) {
  if (!m_started) {
    m_first = m_end = place;
    m_started = true;
  }
  for (int i = 0; i < kSamplesPerNumerics; ++i) {
    if (place + i >= m_end) AddAt(place + i, SampleOf(packet, i));
  }
}

void CtgTrace::FillNumerics(std::uint64_t place, PKParam_v110& packet) const {
  packet.SetNullData();
  packet.SetTimeStamp(static_cast<unsigned int>(place * kSampleMilliseconds));
  unsigned char marks = 0;
  for (int i = 0; i < kSamplesPerNumerics; ++i) {
    const TraceSample& sample = At(place + i);
    for (const ChannelField& field : kFields) {
      const std::optional<float>& value = sample.Value(field.channel);
      const int units = value ? Holdable(*value, field.limit) : -1;
      if (units >= 0) field.set(packet, i, units);
    }
    packet.SetFMD1(i, sample.Has(TraceSample::kMovement1) ? 1 : 0);
    packet.SetFMD2(i, sample.Has(TraceSample::kMovement2) ? 1 : 0);
    marks |= sample.marks;
  }
  const TraceSample& first = At(place);
  for (const ChannelField& field : kFields) {
    if (field.setAlarm != nullptr) (packet.*field.setAlarm)(first.Alarm(field.channel));
  }
  for (AlarmSetter setAlarm : kOtherAlarms) (packet.*setAlarm)(kAlarmNormal);
  packet.SetMarker((marks & TraceSample::kMarker) != 0);
  packet.SetStimulator((marks & TraceSample::kStimulator) != 0);
  packet.SetUCZeroing((marks & TraceSample::kUCZeroing) != 0 ? kZeroingDone : 0);
  packet.SetIUPZeroing((marks & TraceSample::kIUPZeroing) != 0 ? kZeroingDone : 0);
}

void CtgTrace::DropBefore(std::uint64_t place) {
  place = std::min(place, m_end);
  while (!m_runs.empty() && m_runs.front().first + m_runs.front().samples.size() <= place) {
    m_runs.pop_front();
  }
  if (!m_runs.empty() && m_runs.front().first < place) {
    Run& run = m_runs.front();
    run.samples.erase(run.samples.begin(),
                      run.samples.begin() + static_cast<std::ptrdiff_t>(place - run.first));
    run.first = place;
  }
  m_first = std::max(m_first, place);
}

std::uint64_t CtgTrace::PlaceOf(PKParam_v110& packet) {
  return (static_cast<std::uint64_t>(packet.GetTimeStamp()) + kSampleMilliseconds / 2) /
         kSampleMilliseconds;
}
