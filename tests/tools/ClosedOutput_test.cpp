// A reader that closes the tool's output early (`vudoda simulate | head -c 10`): the tool, a
// process of its own here, stops writing and ends by itself with exit code 0 and not a word,
// neither killed by the signal of a broken pipe nor reading on for no one.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "tools/ToolProcess.h"
#include "tools/ToolRun.h"

namespace {

using namespace std::chrono_literals;

// The tool's output read as `head` reads it: `count` bytes (or a line), then the pipe closed.
class ClosedOutput : public ::testing::Test {
 protected:
  // The test itself writes into pipes whose reader goes away; a failed write is its answer.
  static void SetUpTestSuite() { std::signal(SIGPIPE, SIG_IGN); }

  // Runs `args` with `in` as standard input, reads the head of its output, closes it, and
  // returns how the tool ended; its standard error must stay empty.
  std::string RunHead(const std::vector<std::string>& args, int in, std::size_t count, bool toNewline) {
    Pipe out, err;
    ToolProcess tool(args, in, out.WriteEnd(), err.WriteEnd());
    out.CloseWrite();
    err.CloseWrite();
    EXPECT_FALSE(out.Read(count, toNewline).empty()) << args[0];
    out.CloseRead();
    const std::string end = tool.Wait(10s);
    EXPECT_EQ(err.Read(4096), "") << args[0];
    return end;
  }
};

TEST_F(ClosedOutput, SimulateEndsQuietlyWhetherPacedOrNot) {
  const int none = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  // Thirty days would take minutes to write out, and a paced minute a minute.
  EXPECT_EQ(RunHead({"simulate", "--seconds", "2592000"}, none, 10, false), "exit 0");
  EXPECT_EQ(RunHead({"simulate", "--seconds", "2592000", "--hex"}, none, 10, false), "exit 0");
  EXPECT_EQ(RunHead({"simulate", "--seconds", "60", "--realtime"}, none, 10, false), "exit 0");
  ::close(none);
}

// decode and export read a link that never ends, as from a live monitor: once their reader has
// gone, they stop reading it.
TEST_F(ClosedOutput, DecodeAndExportStopReadingAnEndlessLink) {
  const ToolRun link = RunVudoda({"simulate", "--seconds", "60"});
  ASSERT_EQ(link.exitCode, 0) << link.err;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"decode"}, {"decode", "--json"},
                                               {"export", "--format", "csv"}, {"export", "--format", "fhr"}}) {
    Pipe in;
    std::thread monitor([&] {
      while (::write(in.WriteEnd(), link.out.data(), link.out.size()) > 0) {
      }
    });
    const std::string end = RunHead(args, in.ReadEnd(), 1000, true);
    in.CloseRead();  // the tool's end is gone too: the monitor's next write fails
    monitor.join();
    EXPECT_EQ(end, "exit 0") << args.back();
  }
}

// Output that fails for another reason is still a fault, of every command that prints a result.
TEST_F(ClosedOutput, AFullDiskIsStillAFault) {
  ASSERT_EQ(::access("/dev/full", W_OK), 0) << "the test writes to /dev/full, which every Linux has";
  const int none = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  const std::string missing = "/nonexistent/Maternis.ini";  // reads as the factory defaults
  for (const std::vector<std::string>& args : {std::vector<std::string>{"simulate", "--seconds", "60"}, {"decode"},
                                               {"maps"}, {"config", "show", "--file", missing},
                                               {"config", "get", "Language", "--file", missing}}) {
    Pipe err;
    ToolProcess tool(args, none, full, err.WriteEnd());
    err.CloseWrite();
    EXPECT_EQ(tool.Wait(10s), "exit 1") << args[0];
    EXPECT_EQ(err.Read(4096, true), "vudoda " + args[0] + ": cannot write standard output\n");
  }
  ::close(full);
  ::close(none);
}

}  // namespace
