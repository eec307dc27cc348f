// `vudoda db copy` between a station's file and the other engine's database, both ways: what
// it adds, that a second run changes nothing, and that a row held with other content stops the
// whole copy and is named.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"
#include "database/TBLStudy.h"
#include "database/TBLUser.h"
#include "tools/ToolMain.h"

namespace {

class DbCopyTest : public EngineTest {
 protected:
  // `vudoda db copy from to`: its exit code, then its output and errors.
  std::pair<int, std::string> Copy(const std::string& from, const std::string& to) {
    const std::vector<std::string> args = {"db", "copy", from, to};
    std::istringstream in;
    std::ostringstream out;
    ToolIo io{in, out, out};
    const int code = RunTool(args, io);
    return {code, out.str()};
  }

  // A new station file with the tables; its URI.
  std::string StationFile(const char* name) {
    const std::string uri = "sqlite:" + (m_folder / name).string();
    std::istringstream in;
    std::ostringstream out;
    ToolIo io{in, out, out};
    EXPECT_EQ(0, RunTool(std::vector<std::string>{"db", "init", uri}, io)) << out.str();
    return uri;
  }

  std::string Shown(const std::string& uri) const { return IsSqlite() ? uri : "the server"; }
};
VUDODA_ON_BOTH_ENGINES(DbCopyTest);

TEST_P(DbCopyTest, CopiesOnceSkipsWhatIsThereAndRefusesOtherContentWhole) {
  const std::string station = StationFile("source.db");
  QnAdo file;
  ASSERT_EQ(1, file.Connect(station.c_str()));
  TBLPatient anna(&file);
  anna.m_P_ID = "P-1";
  anna.m_P_LAST_NAME = "Lindqvist";
  anna.m_P_REG_DATE = COleDateTime(2026, 12, 4, 9, 5, 7);
  anna.m_P_REG_DATE.m_dt += 0.25 / 86400;  // a quarter second: the fraction crosses too
  anna.m_P_HEIGHT = 168.5;
  ASSERT_EQ(1, anna.Add());
  TBLStudy study(&file);
  study.m_S_ID = "P-1";
  study.m_S_STUDY_ID = "20261204090507";
  study.m_S_LENGTH = 1800;
  ASSERT_EQ(1, study.Add());
  TBLUser user(&file);
  user.m_M_ID = "U-1";
  user.m_M_NAME = "N. Example";
  ASSERT_EQ(1, user.Add());

  EXPECT_EQ(std::make_pair(0, "copied 3 rows to " + Shown(m_uri) + ", skipped 0 identical ones\n"),
            Copy(station, m_uri));
  EXPECT_EQ("P-1|Lindqvist|2026-12-04 09:05:07.250|168.5\n",
            Outside("SELECT P_ID, P_LAST_NAME, P_REG_DATE, P_HEIGHT FROM TBLPatient;"));
  EXPECT_EQ("P-1|20261204090507|1800\nU-1|N. Example\n",
            Outside("SELECT S_ID, S_STUDY_ID, S_LENGTH FROM TBLStudy; SELECT M_ID, M_NAME FROM TBLUser;"));
  EXPECT_EQ(std::make_pair(0, "copied 0 rows to " + Shown(m_uri) + ", skipped 3 identical ones\n"),
            Copy(station, m_uri));

  // And back into a new file: the same rows, so copying that file again changes nothing.
  const std::string back = StationFile("back.db");
  EXPECT_EQ(std::make_pair(0, "copied 3 rows to " + back + ", skipped 0 identical ones\n"), Copy(m_uri, back));
  EXPECT_EQ(std::make_pair(0, "copied 0 rows to " + Shown(m_uri) + ", skipped 3 identical ones\n"),
            Copy(back, m_uri));

  // Another patient and another name for P-1: refused, named, and the new patient not written.
  anna.m_P_LAST_NAME = "Lindqvist-Berg";
  ASSERT_EQ(1, anna.Update());
  TBLPatient maria(&file);
  maria.m_P_ID = "P-2";
  ASSERT_EQ(1, maria.Add());
  EXPECT_EQ(std::make_pair(1, "vudoda db: nothing was copied: " + Shown(m_uri) +
                                  " holds other content under these keys:\n  TBLPatient P-1\n"),
            Copy(station, m_uri));
  EXPECT_EQ("P-1|Lindqvist\n", Outside("SELECT P_ID, P_LAST_NAME FROM TBLPatient;"));
}

}  // namespace
