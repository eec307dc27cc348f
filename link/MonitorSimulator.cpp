#include "link/MonitorSimulator.h"

#include <algorithm>
#include <cmath>

#include "link/MonitorSettings.h"
#include "packet/PKParam_v110.h"
#include "packet/PKWave_v110.h"

namespace {

constexpr std::uint64_t kSampleMilliseconds = 250;
static_assert(kSampleMilliseconds == CtgModel::kSampleSeconds * 1000);
constexpr int kSamplesPerNumerics = 5;
static_assert(MonitorSimulator::kNumericsMilliseconds == kSamplesPerNumerics * kSampleMilliseconds);
constexpr double kNumericsSeconds = MonitorSimulator::kNumericsMilliseconds / 1000.0;
constexpr int kECGSamplesPerWave = 12;
constexpr int kECGSamplesPerSpO2Sample = 4;
constexpr double kECGSampleRate = kECGSamplesPerWave * 1000.0 / MonitorSimulator::kWaveMilliseconds;

// Alarm limits that the monitor announces and that its alarm statuses follow.
constexpr int kFHRLow = MonitorSettings::kFHRLow;
constexpr int kFHRHigh = MonitorSettings::kFHRHigh;
constexpr int kNIBPLow = MonitorSettings::kNIBPLow;
constexpr int kNIBPHigh = MonitorSettings::kNIBPHigh;

// Codes of the numerics packet: alarm statuses, NIBP status, zeroing.
constexpr unsigned char kAlarmNormal = 0;
constexpr unsigned char kAlarmUpperLimit = 1;
constexpr unsigned char kAlarmLowerLimit = 2;
constexpr unsigned char kSpO2PulseSearch = 8;
constexpr unsigned char kNIBPMeasured = 4;
constexpr unsigned char kNIBPMeasuring = 1;
constexpr unsigned char kZeroingDone = 1;

// NIBP is measured every five minutes (the interval the monitor announces), taking half a
// minute; the reading shown before the first one was taken before the recording began.
constexpr std::uint64_t kNIBPFirstMilliseconds = 60'000;
constexpr std::uint64_t kNIBPIntervalMilliseconds = 300'000;
constexpr std::uint64_t kNIBPMeasureMilliseconds = 30'000;

constexpr RecurringEpisode::Timing kMarker{{5, 20}, {60, 240}, {0.1, 0.1}, {1, 1}};
constexpr RecurringEpisode::Timing kZeroing{{0, 0}, {600, 1200}, {0.1, 0.1}, {1, 1}};

constexpr short kNoECGSample = -32768;
constexpr int kNoSpO2Sample = 255;


unsigned char LimitAlarm(int value, int low, int high) {
  if (value > high) return kAlarmUpperLimit;
  if (value < low) return kAlarmLowerLimit;
  return kAlarmNormal;
}

double Bump(double x, double centre, double width) {
  const double z = (x - centre) / width;
  return std::exp(-0.5 * z * z);
}

// One heartbeat of a lead II ECG over a phase of 0 … 1: P wave, QRS complex, T wave.
double ECGShape(double phase) {
  return 0.12 * Bump(phase, 0.20, 0.025) - 0.12 * Bump(phase, 0.355, 0.008) +
         1.00 * Bump(phase, 0.38, 0.010) - 0.22 * Bump(phase, 0.405, 0.010) +
         0.30 * Bump(phase, 0.62, 0.050);
}

// The pulse wave of the same heartbeat, arriving later: the systolic peak and the smaller
// reflected wave after it.
double PlethShape(double phase) {
  const double delayed = phase - 0.45 - std::floor(phase - 0.45);
  return Bump(delayed, 0.15, 0.08) + 0.35 * Bump(delayed, 0.45, 0.10);
}

// SetTemp truncates tenths; half a tenth more keeps the tenth that was meant.
float TenthsForLink(double degrees) {
  return static_cast<float>((std::round(degrees * 10) + 0.5) / 10);
}

}  // namespace

MonitorSimulator::MonitorSimulator(std::uint32_t seed)
    : m_seed(seed),
      m_random(seed),
      m_model(m_random),
      m_nibp(DrawNIBPReading()),
      m_marker(kMarker, m_random),
      m_zeroing(kZeroing, m_random) {}

void MonitorSimulator::Run(std::uint64_t milliseconds, const PacketSink& sink) {
  if (!MonitorSettings::SendAll(sink, m_seed)) return;
  for (std::uint64_t time = 0; time + kWaveMilliseconds <= milliseconds;
       time += kWaveMilliseconds) {
    CtgSample& sample = m_samples[(time / kSampleMilliseconds) % kSamplesPerNumerics];
    if (time % kSampleMilliseconds == 0) sample = m_model.Next();
    PKWave_v110 wave;
    FillWave(wave, sample);
    if (!MonitorSettings::Send(wave, sink)) return;
    const std::uint64_t elapsed = time + kWaveMilliseconds;
    if (elapsed % kNumericsMilliseconds == 0) {
      PKParam_v110 numerics;
      FillNumerics(numerics, elapsed - kNumericsMilliseconds);
      if (!MonitorSettings::Send(numerics, sink)) return;
    }
  }
}


// Maternal ECG and pulse wave follow the maternal heart rate; the fetal channels have no
// sensor (no scalp electrode, no fetal oximetry) and carry no samples.
void MonitorSimulator::FillWave(PKWave_v110& wave, const CtgSample& sample) {
  for (int i = 0; i < kECGSamplesPerWave; ++i) {
    m_ecgPhase += sample.maternalHeartRate / 60.0 / kECGSampleRate;
    m_ecgPhase -= std::floor(m_ecgPhase);
    const double millivolts = ECGShape(m_ecgPhase) + m_random.Normal(0, 0.01);
    wave.SetECG(i, static_cast<short>(std::lround(millivolts * 1000)));
    wave.SetFECG(i, kNoECGSample);
    if (i % kECGSamplesPerSpO2Sample != 0) continue;
    const int index = i / kECGSamplesPerSpO2Sample;
    const long pleth = std::lround(std::clamp(30 + 180 * PlethShape(m_ecgPhase), 0.0, 254.0));
    wave.SetSpO2(index, sample.spo2 ? static_cast<int>(pleth) : kNoSpO2Sample);
    wave.SetFSpO2(index, kNoSpO2Sample);
  }
}

// Starts from the no-value patterns, so that every channel without a reading stays absent.
void MonitorSimulator::FillNumerics(PKParam_v110& numerics, std::uint64_t startMilliseconds) {
  const double startSeconds = startMilliseconds / 1000.0;
  numerics.SetNullData();
  numerics.SetTimeStamp(static_cast<unsigned int>(startMilliseconds));
  FillSamples(numerics);
  FillAlarms(numerics);
  FillNIBP(numerics, startMilliseconds);
  numerics.SetTemp(TenthsForLink(m_samples.back().temperature));
  numerics.SetUCZeroing(m_zeroing.BeginsWithin(startSeconds, kNumericsSeconds) ? kZeroingDone : 0);
  numerics.SetIUPZeroing(0);
  numerics.SetMarker(m_marker.BeginsWithin(startSeconds, kNumericsSeconds));
  numerics.SetStimulator(0);
}

void MonitorSimulator::FillSamples(PKParam_v110& numerics) {
  // A count of 127 would read as no value, so the movement count wraps before it.
  constexpr int kMovementCountLimit = 127;
  for (int i = 0; i < kSamplesPerNumerics; ++i) {
    const CtgSample& sample = m_samples[i];
    if (sample.fhr1) numerics.SetFHR1(i, static_cast<unsigned char>(*sample.fhr1));
    if (sample.fetalMovement) m_movementCount = (m_movementCount + 1) % kMovementCountLimit;
    numerics.SetFM1(i, static_cast<unsigned char>(m_movementCount));
    numerics.SetFMD1(i, sample.fetalMovement ? 1 : 0);
    numerics.SetUC(i, static_cast<unsigned char>(sample.uc));
    numerics.SetECG(i, sample.maternalHeartRate);
    if (sample.spo2) numerics.SetSpO2(i, static_cast<unsigned char>(*sample.spo2));
    if (sample.pulseRate) numerics.SetSpO2R(i, *sample.pulseRate);
  }
}

// The statuses of the connected channels follow their samples; the others report normal.
void MonitorSimulator::FillAlarms(PKParam_v110& numerics) {
  unsigned char fhr1 = kAlarmNormal;
  unsigned char spo2 = kAlarmNormal;
  for (const CtgSample& sample : m_samples) {
    if (sample.fhr1 && fhr1 == kAlarmNormal) fhr1 = LimitAlarm(*sample.fhr1, kFHRLow, kFHRHigh);
    if (!sample.spo2) spo2 = kSpO2PulseSearch;
  }
  numerics.SetFHR1Alarm(fhr1);
  numerics.SetFHR2Alarm(kAlarmNormal);
  numerics.SetUCAlarm(kAlarmNormal);
  numerics.SetECGAlarm(kAlarmNormal);
  numerics.SetSpO2Alarm(spo2);
  numerics.SetTempAlarm(kAlarmNormal);
  numerics.SetFECGAlarm(kAlarmNormal);
  numerics.SetFSpO2Alarm(kAlarmNormal);
  numerics.SetIUPAlarm(kAlarmNormal);
}

// While the cuff measures, the status is not 4 and the pressures are absent; afterwards the
// new reading is shown until the next measurement.
void MonitorSimulator::FillNIBP(PKParam_v110& numerics, std::uint64_t milliseconds) {
  if (milliseconds >= kNIBPFirstMilliseconds) {
    const std::uint64_t sinceFirst = milliseconds - kNIBPFirstMilliseconds;
    const auto cycle = static_cast<std::int64_t>(sinceFirst / kNIBPIntervalMilliseconds);
    if (sinceFirst % kNIBPIntervalMilliseconds < kNIBPMeasureMilliseconds) {
      numerics.SetNIBPAlarm(kAlarmNormal);
      numerics.SetNIBPStatus(kNIBPMeasuring);
      return;
    }
    if (cycle != m_nibpCycle) {
      m_nibp = DrawNIBPReading();
      m_nibpCycle = cycle;
    }
  }
  numerics.SetNIBPAlarm(LimitAlarm(m_nibp.systolic, kNIBPLow, kNIBPHigh));
  numerics.SetNIBPStatus(kNIBPMeasured);
  numerics.SetNIBPSys(m_nibp.systolic);
  numerics.SetNIBPMean(m_nibp.mean);
  numerics.SetNIBPDia(m_nibp.diastolic);
}

MonitorSimulator::NIBPReading MonitorSimulator::DrawNIBPReading() {
  const int systolic = static_cast<int>(std::lround(m_random.Normal(118, 6)));
  const int diastolic = static_cast<int>(std::lround(m_random.Normal(76, 4)));
  return NIBPReading{systolic, diastolic + (systolic - diastolic) / 3, diastolic};
}
