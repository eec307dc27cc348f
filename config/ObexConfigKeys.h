#pragma once

#include <span>

#include "config/ObexConfig.h"
#include "platform/AfxExport.h"
#include "platform/CString.h"

// What a key of "Maternis.ini" means for the record beyond its value.
enum class ObexConfigKeyRole {
  Plain,
  AlarmSound,  // an alarm-sound switch: ObexConfig::operator= keeps the destination's
  Staff,       // a doctor or nurse text: ObexConfig::Default() keeps it
  DataPath,    // the data folder: a folder that does not exist reads as the one beside the program
};

// One key of the station's INI file and the record member that it fills. Exactly one of
// `number` and `text` is set.
struct ObexConfigKey {
  const char* section;
  const char* key;
  int ObexConfig::*number;
  CString ObexConfig::*text;
  int recordDefault;        // an integer's value after ObexConfig::Default()
  int readDefault;          // an integer's value when Open finds no key
  const char* textDefault;  // a text's value in both cases; null: the "Data" folder beside the program
  ObexConfigKeyRole role;
};

// The 100 keys in the order in which Open reads and Save writes them.
AFX_EXT_API std::span<const ObexConfigKey> GetObexConfigKeys();
