// The resource model for real: the module (libvudoda.so, English) and a made-up language
// library (LANG_TST.dll, built from tests/constmap/fixtures/LANG_TST.txt) loaded from the
// program folder, and MFC's search order between them.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/AfxExtensionModule.h"
#include "platform/AfxModuleState.h"
#include "platform/CDynLinkLibrary.h"
#include "platform/CString.h"
#include "platform/LibraryLoader.h"
#include "platform/StringResource.h"

namespace {

constexpr UINT kOn = 10020;       // English "On", test library "Ein\An"
constexpr UINT kUpper = 10129;    // English "Upper Limit", test library "Limite supérieure"
constexpr UINT kAdmitted = 10006; // English "Admitted", not in the test library

std::string Searched(UINT id) {
  CString text("unchanged");
  return text.LoadString(id) ? text.str() : "failed, " + text.str();
}

// Loads both modules and leaves the process as it found it.
class ResourceChain : public ::testing::Test {
 protected:
  void SetUp() override {
    m_english = LoadLibraryA("libvudoda.so");
    m_test = LoadLibraryA("LANG_TST.dll");
    ASSERT_TRUE(m_english != nullptr && m_test != nullptr);
  }
  void TearDown() override {
    AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
    if (m_test) FreeLibrary(m_test);
    if (m_english) FreeLibrary(m_english);
  }

  HMODULE m_english = nullptr;
  HMODULE m_test = nullptr;
};

TEST_F(ResourceChain, LoadingTheModuleRegistersItsTextsAndUnloadingRemovesThem) {
  EXPECT_EQ(Searched(kOn), "On");
  ASSERT_EQ(FreeLibrary(m_english), TRUE);
  m_english = nullptr;
  EXPECT_EQ(Searched(kOn), "failed, unchanged");
}

TEST_F(ResourceChain, CurrentResourceHandleFirstThenNewestLibraryThenSystemLibraries) {
  const struct { const char* name; HMODULE current; bool testInChain; BOOL testIsSystem; std::string on; } cases[] = {
      {"module alone", nullptr, false, FALSE, "On"},
      {"language library current", m_test, false, FALSE, "Ein\\An"},
      {"language library newest in chain", nullptr, true, FALSE, "Ein\\An"},
      {"language library a system library", nullptr, true, TRUE, "On"},
      {"current before a system library", m_test, true, TRUE, "Ein\\An"},
  };
  for (const auto& c : cases) {
    AfxGetModuleState()->m_hCurrentResourceHandle = c.current;
    AFX_EXTENSION_MODULE state{};
    ASSERT_EQ(AfxInitExtensionModule(state, m_test), TRUE);
    if (c.testInChain) new CDynLinkLibrary(state, c.testIsSystem);  // deleted by the term below
    EXPECT_EQ(Searched(kOn), c.on) << c.name;
    EXPECT_EQ(Searched(kAdmitted), "Admitted") << c.name << ": an id the library lacks is English";
    AfxTermExtensionModule(state);
  }
  AFX_EXTENSION_MODULE empty{};
  EXPECT_EQ(AfxInitExtensionModule(empty, nullptr), FALSE);
}

// 11 bytes fit before the zero: the two bytes of the accented letter do not.
TEST_F(ResourceChain, LoadStringReadsOneModuleAndCutsAtWholeCharacters) {
  char buffer[32];
  EXPECT_EQ(LoadStringA(m_test, kUpper, buffer, 12), 10);
  EXPECT_STREQ(buffer, "Limite sup");
  std::string untouched = "keep";
  for (const auto& [module, id, size] : {std::tuple{m_test, kAdmitted, 32}, std::tuple{m_test, kOn, 0},
                                         std::tuple{HMODULE{}, kOn, 32}}) {
    EXPECT_EQ(LoadStringA(module, id, untouched.data(), size), 0) << id << ' ' << size;
    EXPECT_EQ(untouched, "keep");
  }
}

// A second load of the same library counts: the table stays until the last FreeLibrary, and a
// stale handle is refused.
TEST(LibraryLoader, LoadsCountFreesAndRefusesWhatItCannotLoad) {
  EXPECT_EQ(LoadLibraryA("LANG_NONE.dll"), nullptr);
  const HMODULE first = LoadLibraryA("LANG_TST.dll");
  ASSERT_EQ(LoadLibraryA("LANG_TST.dll"), first);
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_NE(GetModuleStringTable(first), nullptr);
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(GetModuleStringTable(first), nullptr);
  EXPECT_EQ(FreeLibrary(first), FALSE);
}

}  // namespace
