#include "config/ObexConfig.h"

#include <cerrno>

#include "config/ObexConfigKeys.h"
#include "packet/PKParam_v110.h"
#include "qnutil/QnGF.h"
#include "qnutil/QnIni.h"

namespace {

constexpr const char* kFileName = "Maternis.ini";
constexpr const char* kDataFolder = "Data";

// The display flags in the record's order; shown by default, never stored.
constexpr int ObexConfig::*kDisplayFlags[] = {
    &ObexConfig::m_bVisible0,       &ObexConfig::m_bVisibleECG,     &ObexConfig::m_bVisibleSpO2,
    &ObexConfig::m_bVisibleSpO2PR,  &ObexConfig::m_bVisibleTemp,    &ObexConfig::m_bVisibleNIBP,
    &ObexConfig::m_bVisibleUC,      &ObexConfig::m_bVisibleIUP,     &ObexConfig::m_bVisibleFECG,
    &ObexConfig::m_bVisibleFHR1,    &ObexConfig::m_bVisibleFHR2,    &ObexConfig::m_bVisibleFSpO2,
    &ObexConfig::m_bVisibleFSpO2PR, &ObexConfig::m_bVisibleFM1,     &ObexConfig::m_bVisibleFM2,
    &ObexConfig::m_bVisibleMarker,  &ObexConfig::m_bVisibleStimulator, &ObexConfig::m_bVisible17,
};

CString DataFolderPath() { return QnGF::MakePath(nullptr, kDataFolder); }

CString TextDefault(const ObexConfigKey& key, const CString& dataFolder) {
  return key.textDefault ? CString(key.textDefault) : dataFolder;
}

}  // namespace

ObexConfig::ObexConfig() { Default(); }

ObexConfig::ObexConfig(const ObexConfig& other) = default;

ObexConfig::~ObexConfig() = default;

// Every member but the display flags is a key of the file, so the key table names them all.
ObexConfig& ObexConfig::operator=(ObexConfig& other) {
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (key.role == ObexConfigKeyRole::AlarmSound) continue;
    if (key.number) this->*key.number = other.*key.number;
    if (key.text) this->*key.text = other.*key.text;
  }
  return *this;
}

void ObexConfig::Default() {
  const CString dataFolder = DataFolderPath();
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (key.role == ObexConfigKeyRole::Staff) continue;
    if (key.number) this->*key.number = key.recordDefault;
    if (key.text) this->*key.text = TextDefault(key, dataFolder);
  }
  for (int ObexConfig::*flag : kDisplayFlags) this->*flag = 1;
}

int ObexConfig::IsVisible(int kind) {
  switch (kind) {
    case PARAM_ECG: return m_bVisibleECG;
    case PARAM_SPO2: return m_bVisibleSpO2;
    case PARAM_SPO2_PR: return m_bVisibleSpO2PR;
    case PARAM_TEMP: return m_bVisibleTemp;
    case PARAM_NIBP: return m_bVisibleNIBP;
    case PARAM_UC: return m_bVisibleUC;
    case PARAM_IUP: return m_bVisibleIUP;
    case PARAM_FECG: return m_bVisibleFECG;
    case PARAM_FSPO2: return m_bVisibleFSpO2;
    case PARAM_FSPO2_PR: return m_bVisibleFSpO2PR;
    case PARAM_FHR1: return m_bVisibleFHR1;
    case PARAM_FHR2: return m_bVisibleFHR2;
    case PARAM_FM1:
    case PARAM_FM1_SHOWN: return m_bVisibleFM1;
    case PARAM_FM2:
    case PARAM_FM2_SHOWN: return m_bVisibleFM2;
    case PARAM_MARKER: return m_bVisibleMarker;
    case PARAM_STIMULATOR: return m_bVisibleStimulator;
    case PARAM_ZEROING: return 1;
    default: return 0;
  }
}

int ObexConfig::Open(const char* path) {
  if (!QnGF::IsFile(path)) return 0;
  QnIni ini;
  ini.SetIni(path);
  const CString dataFolder = DataFolderPath();
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (key.number) this->*key.number = ini.ReadInt(key.section, key.key, key.readDefault);
    if (key.text) this->*key.text = ini.ReadString(key.section, key.key, TextDefault(key, dataFolder));
    if (key.role == ObexConfigKeyRole::DataPath && !QnGF::IsExist(this->*key.text)) this->*key.text = dataFolder;
  }
  return 1;
}

int ObexConfig::Open() { return Open(QnGF::MakePath(nullptr, kFileName)); }

// The writes gather in one batch and reach the disk in one atomic replacement of the file, so
// that a save cut short leaves the old file or the new one, never a mix; the batch is merged into
// the file as it stands then, so keys that others wrote into it stay.
int ObexConfig::Save(const char* path) {
  if (!QnGF::IsFile(path)) {
    if (const int error = QnGF::CreateFileA(path, 1, 1)) {
      errno = error;
      return 0;
    }
  }
  QnIni ini;
  ini.SetIni(path);
  ini.BeginBatch();
  for (const ObexConfigKey& key : GetObexConfigKeys()) {
    if (key.number) ini.WriteInt(key.section, key.key, this->*key.number);
    if (key.text) ini.WriteString(key.section, key.key, this->*key.text);
  }
  return ini.Flush();
}

int ObexConfig::Save() { return Save(QnGF::MakePath(nullptr, kFileName)); }
