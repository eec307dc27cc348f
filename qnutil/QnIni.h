#pragma once

#include <string>

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/ProfileFile.h"

// One INI file, read once and written once: SetIni parses the file, reads come from that parse,
// and writes gather in memory until Flush (or the destructor) replaces the file atomically in one
// go. Meant for one load or one save, on the stack; nothing is kept open between calls.
class AFX_EXT_CLASS QnIni {
 public:
  // Touches no file.
  QnIni();
  QnIni(const QnIni&) = delete;
  QnIni& operator=(const QnIni&) = delete;
  // Flushes writes still pending; touches no file when there are none.
  virtual ~QnIni();

  // Flushes writes pending for the previous file, then reads `path`. 1 when the file was read or
  // does not exist (an empty profile); 0 when it exists but cannot be read: reads then give their
  // defaults and writes are refused, so an unreadable file is never overwritten.
  int SetIni(const char* path);

  // The key's value as a decimal integer (GetPrivateProfileIntA's reading), `def` when missing.
  int ReadInt(const char* section, const char* key, int def);
  // The key's text (one pair of quotes dropped), `def` when missing; a null `def` gives "".
  CString ReadString(const char* section, const char* key, const char* def);

  // Stores the value for the next Flush; later reads see it. 1 when taken, 0 for no file set, a
  // null name, or a name or text that holds a line break.
  int WriteInt(const char* section, const char* key, int value);
  int WriteString(const char* section, const char* key, const char* value);

  // Writes the pending values to the file atomically. 1 when written or nothing was pending.
  int Flush();

 private:
  std::string m_path;
  ProfileFile m_profile;
  bool m_writable = false;
  bool m_pending = false;
};
