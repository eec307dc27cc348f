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
#include "platform/CodePage.h"
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
    ASSERT_NE(m_english, nullptr);
    ASSERT_NE(m_test, nullptr);
  }
  void TearDown() override {
    AfxGetModuleState()->m_hCurrentResourceHandle = nullptr;
    SetACP(CP_UTF8);
    if (m_test) FreeLibrary(m_test);
    if (m_english) FreeLibrary(m_english);
  }

  HMODULE m_english = nullptr;
  HMODULE m_test = nullptr;
};

TEST_F(ResourceChain, LoadingTheModuleRegistersItsTextsAndUnloadingRemovesThem) {
  EXPECT_EQ(Searched(kOn), "On");
  EXPECT_EQ(Searched(kAdmitted), "Admitted");
  ASSERT_EQ(FreeLibrary(m_english), TRUE);
  m_english = nullptr;
  EXPECT_EQ(Searched(kOn), "failed, unchanged");
  EXPECT_EQ(AfxGetModuleState()->GetFirstLibrary(), nullptr);
}

TEST_F(ResourceChain, CurrentResourceHandleFirstThenNewestLibraryThenSystemLibraries) {
  const struct {
    const char* name;
    HMODULE current;
    bool testInChain;
    BOOL testIsSystem;
    std::string on;
  } cases[] = {
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
}

TEST_F(ResourceChain, TermRemovesOnlyItsOwnModulesLibraries) {
  AFX_EXTENSION_MODULE state{};
  ASSERT_EQ(AfxInitExtensionModule(state, m_test), TRUE);
  new CDynLinkLibrary(state);
  new CDynLinkLibrary(state);
  AFX_EXTENSION_MODULE never{};
  AfxTermExtensionModule(never);  // never filled: nothing happens
  EXPECT_EQ(Searched(kOn), "Ein\\An");
  AfxTermExtensionModule(state);
  EXPECT_EQ(Searched(kOn), "On");
  AFX_EXTENSION_MODULE empty{};
  EXPECT_EQ(AfxInitExtensionModule(empty, nullptr), FALSE);
  EXPECT_EQ(empty.bInitialized, FALSE);
}

TEST_F(ResourceChain, TextTheCodePageCannotHoldFallsToTheNextModule) {
  AfxGetModuleState()->m_hCurrentResourceHandle = m_test;
  const struct {
    UINT codePage;
    std::string upper;
    std::string lower;
  } cases[] = {
      {CP_UTF8, "Limite sup\xC3\xA9rieure", "\xEC\x83\x81\xED\x95\x9C"},
      {1252, "Limite sup\xE9rieure", "Lower Limit"},
      {949, "Upper Limit", "\xBB\xF3\xC7\xD1"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(SetACP(c.codePage), TRUE);
    EXPECT_EQ(Searched(kUpper), c.upper) << c.codePage;
    EXPECT_EQ(Searched(10130), c.lower) << c.codePage;
  }
}

TEST_F(ResourceChain, LoadStringReadsOneModuleAndCutsAtWholeCharacters) {
  char buffer[32];
  EXPECT_EQ(LoadStringA(m_test, kUpper, buffer, sizeof buffer), 18);
  EXPECT_STREQ(buffer, "Limite sup\xC3\xA9rieure");
  // 11 bytes fit before the zero: the two bytes of the accented letter do not.
  EXPECT_EQ(LoadStringA(m_test, kUpper, buffer, 12), 10);
  EXPECT_STREQ(buffer, "Limite sup");
  std::string untouched = "keep";
  for (const auto& [module, id, size] : {std::tuple{m_test, kAdmitted, 32}, std::tuple{m_test, kOn, 0},
                                         std::tuple{HMODULE{}, kOn, 32}}) {
    EXPECT_EQ(LoadStringA(module, id, untouched.data(), size), 0) << id << ' ' << size;
    EXPECT_EQ(untouched, "keep");
  }
}

TEST(LibraryLoader, LoadsCountFreesAndRefusesWhatItCannotLoad) {
  EXPECT_EQ(LoadLibraryA("LANG_NONE.dll"), nullptr);
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
  EXPECT_EQ(FreeLibrary(nullptr), FALSE);

  const HMODULE first = LoadLibraryA("LANG_TST.dll");
  const HMODULE second = LoadLibraryA("LANG_TST.dll");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  ASSERT_NE(GetModuleStringTable(first), nullptr);
  char path[4096];
  const std::string file(path, GetModuleFileNameA(first, path, sizeof path));
  EXPECT_TRUE(file.ends_with("/bin/LANG_TST.dll")) << file << ": found beside the program";
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_NE(GetModuleStringTable(first), nullptr) << "one load is still held";
  EXPECT_EQ(FreeLibrary(first), TRUE);
  EXPECT_EQ(GetModuleStringTable(first), nullptr) << "unloaded: the stale handle finds no table";
  EXPECT_EQ(FreeLibrary(first), FALSE);
}

}  // namespace
