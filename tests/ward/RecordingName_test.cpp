// Recordings are named from the study's identifiers by escaping, never folding: no two patients
// or studies share a file, also where the file system ignores case or limits a name's length.
#include "ward/RecordingName.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "ward/StudyRecording.h"

namespace {

TEST(RecordingNameTest, EveryByteButCapitalsDigitsDashAndUnderscoreIsEscaped) {
  const struct {
    std::string id;
    std::string name;
  } cases[] = {
      {"TEST-21_B", "TEST-21_B"},
      {"AB.1", "AB%2E1"},
      {"AB/1", "AB%2F1"},
      {"AB_1", "AB_1"},
      {"ab", "%61%62"},
      {"..", "%2E%2E"},
      {"", "%"},
      {"%", "%25"},
      {"M\xC3\xBC", "M%C3%BC"},
      {std::string("A\0B", 3), "A%00B"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordingName::Of(c.id), c.name) << c.id;
    EXPECT_EQ(RecordingName::Unescaped(c.name), c.id) << c.name;
  }
  for (const char* bad : {"", "%2", "%2g", "a", "%%", "A.B", "%zz"}) {
    EXPECT_EQ(RecordingName::Unescaped(bad), std::nullopt) << bad;
  }
}

// Identifiers that used to fold into one name ("AB.1", "AB/1", "AB 1", "AB_1" were all "AB_1")
// and ones that differ only in case stay apart, also with case ignored.
TEST(RecordingNameTest, NamesOfDistinctIdentifiersDifferEvenWithCaseIgnored) {
  std::set<std::string> names;
  std::set<std::string> folded;
  const std::vector<std::string> ids = {"AB.1", "AB/1", "AB 1", "AB_1", "ab_1", "Ab_1", "AB%2E1", "AB%2e1", "", "%"};
  for (const std::string& id : ids) {
    std::string name = RecordingName::Of(id);
    names.insert(name);
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    folded.insert(name);
  }
  EXPECT_EQ(names.size(), ids.size());
  EXPECT_EQ(folded.size(), ids.size());
  EXPECT_EQ(StudyRecording::LinkPath("/data", "../../etc/passwd", "20261206033000"),
            "/data/Studies/%2E%2E%2F%2E%2E%2F%65%74%63%2F%70%61%73%73%77%64/20261206033000.link");
}

TEST(RecordingNameTest, ANameBeyondTheFileSystemsLimitIsCutAndMarkedWithAHashOfTheWholeIdentifier) {
  const std::string longest(NAME_MAX - 7, 'A');  // room left for ".events"
  EXPECT_EQ(RecordingName::Of(longest), longest);
  const std::string first = RecordingName::Of(longest + "B");
  const std::string second = RecordingName::Of(longest + "C");
  EXPECT_NE(first, second);
  EXPECT_LE(first.size(), std::size_t{NAME_MAX - 7});
  EXPECT_EQ(first.substr(first.size() - 18, 2), "%%");
  EXPECT_EQ(first.substr(0, 10), "AAAAAAAAAA");
  // A cut never ends inside an escape.
  const std::string escaped = RecordingName::Of(std::string(200, '.'));
  EXPECT_EQ(escaped.substr(escaped.size() - 21, 3), "%2E");
}

}  // namespace
