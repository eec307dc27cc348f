#include "station/CtgTrace.h"

#include <algorithm>
#include <cmath>

#include "packet/PKParam_v110.h"

namespace {

// Parameter numbering of the numerics packet's IsValidData.
constexpr int kParamECG = 1;
constexpr int kParamUC = 6;
constexpr int kParamIUP = 7;
constexpr int kParamFECG = 8;
constexpr int kParamFHR1 = 11;
constexpr int kParamFHR2 = 12;
constexpr int kParamFM1 = 13;
constexpr int kParamFM2 = 14;

constexpr int kByteLimit = 0xFF;      // 0xFF marks no value: a byte field holds 0-254
constexpr int kWordLimit = 0xFFFF;    // likewise 0xFFFF for a 2-byte field
constexpr int kCountLimit = 0x7F;     // and 0x7F for a 7-bit movement count
constexpr unsigned char kAlarmNormal = 0;
constexpr unsigned char kZeroingDone = 1;

using Packet = PKParam_v110;
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

template <unsigned char (Packet::*Get)(int)>
int GetByte(Packet& packet, int index) {
  return (packet.*Get)(index);
}
template <void (Packet::*Set)(int, unsigned char)>
void SetByte(Packet& packet, int index, int value) {
  (packet.*Set)(index, static_cast<unsigned char>(value));
}
template <int (Packet::*Get)(int)>
int GetWord(Packet& packet, int index) {
  return (packet.*Get)(index);
}
template <void (Packet::*Set)(int, int)>
void SetWord(Packet& packet, int index, int value) {
  (packet.*Set)(index, value);
}

// The maternal heart rate travels as the ECG heart rate.
constexpr ChannelField kFields[] = {
    {TraceChannel::FHR1, kParamFHR1, kByteLimit, GetByte<&Packet::GetFHR1>, SetByte<&Packet::SetFHR1>,
     &Packet::GetFHR1Alarm, &Packet::SetFHR1Alarm},
    {TraceChannel::FHR2, kParamFHR2, kByteLimit, GetByte<&Packet::GetFHR2>, SetByte<&Packet::SetFHR2>,
     &Packet::GetFHR2Alarm, &Packet::SetFHR2Alarm},
    {TraceChannel::MHR, kParamECG, kWordLimit, GetWord<&Packet::GetECG>, SetWord<&Packet::SetECG>,
     &Packet::GetECGAlarm, &Packet::SetECGAlarm},
    {TraceChannel::FECG, kParamFECG, kByteLimit, GetByte<&Packet::GetFECG>, SetByte<&Packet::SetFECG>,
     &Packet::GetFECGAlarm, &Packet::SetFECGAlarm},
    {TraceChannel::UC, kParamUC, kByteLimit, GetByte<&Packet::GetUC>, SetByte<&Packet::SetUC>,
     &Packet::GetUCAlarm, &Packet::SetUCAlarm},
    {TraceChannel::IUP, kParamIUP, kByteLimit, GetByte<&Packet::GetIUP>, SetByte<&Packet::SetIUP>,
     &Packet::GetIUPAlarm, &Packet::SetIUPAlarm},
    {TraceChannel::FM1, kParamFM1, kCountLimit, GetByte<&Packet::GetFM1>, SetByte<&Packet::SetFM1>,
     nullptr, nullptr},
    {TraceChannel::FM2, kParamFM2, kCountLimit, GetByte<&Packet::GetFM2>, SetByte<&Packet::SetFM2>,
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

void CtgTrace::AddNumerics(PKParam_v110& packet) {
  const std::uint64_t place = PlaceOf(packet);
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
