#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/ProfileFile.h"

// One INI file. A write reaches the file at once, merged into the file as it stands under the
// writers' lock (ProfileFile::Update), so no key that another writer put there meanwhile is lost,
// and every reader of this process (GetPrivateProfileIntA, any QnIni) sees it at once; another
// process sees it at its next read of the file. Reads come from the parse made at SetIni, made
// again whenever this process has written a profile since; a change by another process shows at
// the next SetIni. A batch (BeginBatch … Flush) gathers writes and puts them into the file in one
// such merge and one atomic replacement, as ObexConfig::Save writes its record. Meant for one
// load or one save, on the stack.
class AFX_EXT_CLASS QnIni {
 public:
  // Touches no file.
  QnIni();
  QnIni(const QnIni&) = delete;
  QnIni& operator=(const QnIni&) = delete;
  // Flushes a batch still open; touches no file when there is none.
  virtual ~QnIni();

  // Flushes a batch still open for the previous file, then reads `path`. 1 when the file was read
  // or does not exist (an empty profile); 0 when it exists but cannot be read (a folder, a named
  // pipe, no permission): reads then give their defaults and writes fail, so such a file is
  // never overwritten.
  int SetIni(const char* path);

  // The key's value as a decimal integer (GetPrivateProfileIntA's reading), `def` when missing.
  int ReadInt(const char* section, const char* key, int def);
  // The key's text (one pair of quotes dropped), `def` when missing; a null `def` gives "".
  CString ReadString(const char* section, const char* key, const char* def);

  // Writes the value into the file now (in a batch: at Flush); later reads see it. A text is
  // stored on one line: each line break in it (CR LF, CR or LF) becomes one space, so a pasted
  // text keeps its key and reads back with spaces. 1 when written (in a batch: taken); 0 for no
  // file set, a null argument, a section or key name that cannot be stored (a line break, '=' or
  // a leading '[' in the key), or a failed write, with errno telling why.
  int WriteInt(const char* section, const char* key, int value);
  int WriteString(const char* section, const char* key, const char* value);

  // Gathers the following writes until Flush (SetIni and the destructor flush too).
  void BeginBatch();
  // Puts the gathered writes into the file in one merge and one atomic replacement (in place
  // where the folder refuses new files, see ProfileFile::Update) and ends the batch. 1 when
  // written or nothing was gathered; 0 when the write failed, errno telling why: the file is then
  // as before and the gathered writes are dropped.
  int Flush();

 private:
  struct Write {
    std::string section;
    std::string key;
    std::string value;
  };
  // Reads the file again when this process has written a profile since the last read, the
  // batch's writes on top. False when the file exists but cannot be read.
  bool Refresh();

  std::string m_path;
  ProfileFile m_profile;  // the file as last read, with the gathered writes applied
  std::uint64_t m_readAtWrite = 0;  // ProfileFile::WriteCount() at that read
  bool m_loaded = false;
  bool m_batching = false;
  std::vector<Write> m_batch;
};
