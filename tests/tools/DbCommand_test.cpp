// `vudoda db` end to end, as a user runs it on a scratch database: creating it, adding through
// the row classes, listing.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/COleDateTime.h"
#include "tools/ToolMain.h"

namespace {

TEST(DbCommand, AdmitsAPatientStartsAStudyAndListsItWithThePatient) {
  char pattern[] = "/tmp/vudoda-tool-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  const std::filesystem::path file = std::filesystem::path(pattern) / "station.db";
  const std::string uri = "sqlite:" + file.string();
  // Runs `vudoda db args... [--database uri]`, which must succeed; its output and errors.
  const auto db = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "db");
    if (args[1] != "init") args.insert(args.end(), {"--database", uri});
    std::istringstream in;
    std::ostringstream out;
    ToolIo io{in, out, out};
    EXPECT_EQ(0, RunTool(args, io)) << args[1] << ": " << out.str();
    return out.str();
  };
  EXPECT_EQ("created the patient database " + file.string() + "\n", db({"init", uri}));
  EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,  // patient data
            std::filesystem::status(file).permissions());

  const std::string today = COleDateTime::GetCurrentTime().Format("%Y%m%d").GetString();
  EXPECT_EQ("added patient " + today + "-001\n",
            db({"add-patient", "--first", "Anna", "--last", "Lindqvist", "--birthday", "1992-03-14"}));
  EXPECT_EQ("added study 20261204090507 of patient " + today + "-001\n",
            db({"add-study", "--patient", today + "-001", "--start", "2026-12-04 09:05:07", "--nurse", "N-2"}));
  EXPECT_EQ("PATIENT       NAME             STUDY           START                LENGTH  DOCTOR  NURSE  COMMENT\n" +
                today + "-001  Lindqvist, Anna  20261204090507  2026-12-04 09:05:07  0               N-2\n1 row\n",
            db({"studies"}));

  std::filesystem::remove_all(pattern);
}

}  // namespace
