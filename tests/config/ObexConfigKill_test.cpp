#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "ConfigScratch.h"
#include "config/ObexConfig.h"
#include "platform/ProfileFile.h"

namespace {

// Round `round` of a changing record: members in every section of the file tell the round.
void MarkRound(ObexConfig& config, int round) {
  config.m_nLanguage = round;
  config.m_nBrokerPort = round;
  config.m_nSerialName8 = round;
  config.m_nGridCenterStyle = round;
  config.m_nReviewEventUCZeroing = round;
  config.m_strHospitalName.Format("Hospital of round %d", round);
}

// Saves rounds first, first + 1, ... until killed.
[[noreturn]] void SaveForever(const std::string& file, int first) {
  ObexConfig config;
  for (int round = first;; ++round) {
    MarkRound(config, round);
    config.Save(file.c_str());
  }
}

TEST_F(ConfigScratch, AProcessKilledWhileSavingLeavesTheOldFileOrTheNewOneWhole) {
  const std::string file = File("Maternis.ini");
  ObexConfig initial;
  MarkRound(initial, 1);
  ASSERT_EQ(initial.Save(file.c_str()), 1);

  std::mt19937 random(20240611);
  int lastRound = 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  for (int kill = 0; kill < 40 && std::chrono::steady_clock::now() < deadline; ++kill) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveForever(file, lastRound + 1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);

    // The file parses, holds all 100 keys, and every one of them is from a single round.
    ObexConfig opened;
    ASSERT_EQ(opened.Open(file.c_str()), 1) << "kill " << kill;
    const int round = opened.m_nLanguage;
    EXPECT_GE(round, lastRound) << "kill " << kill;
    EXPECT_EQ(opened.m_nBrokerPort, round) << "kill " << kill;
    EXPECT_EQ(opened.m_nSerialName8, round) << "kill " << kill;
    EXPECT_EQ(opened.m_nGridCenterStyle, round) << "kill " << kill;
    EXPECT_EQ(opened.m_nReviewEventUCZeroing, round) << "kill " << kill;
    EXPECT_EQ(opened.m_strHospitalName, ("Hospital of round " + std::to_string(round)).c_str()) << "kill " << kill;
    EXPECT_EQ(ReadFile(file).ends_with("Review Event UCZeroing=" + std::to_string(round) + "\r\n"), true);
    lastRound = round;
  }
  EXPECT_GT(lastRound, 1) << "no save finished before a kill";
}

}  // namespace
