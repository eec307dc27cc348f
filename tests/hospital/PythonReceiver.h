#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "hospital/ChildProcess.h"

// The hospital's receiver played by python-hl7's asyncio MLLP server (hl7_peer.py receive): it
// answers each message it reads with the next of `answers` (AA once they run out) and tells the
// test what it read, one message at a time. It ends after `count` messages or 60 seconds.
class PythonReceiver {
 public:
  PythonReceiver(int port, int count, const std::vector<std::string>& answers = {})
      : m_process(Arguments(port, count, answers)) {
    const std::optional<std::string> line = m_process.ReadLine(std::chrono::seconds(20));
    if (line && line->starts_with("port ")) m_port = std::stoi(line->substr(5));
  }

  // The port it listens on, 0 when it did not start.
  int Port() const { return m_port; }
  // What it read of the next message, or nullopt when none came within `limit`.
  std::optional<nlohmann::json> Next(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const std::optional<std::string> line = m_process.ReadLine(limit);
    if (!line || !line->starts_with("{")) return std::nullopt;
    return nlohmann::json::parse(*line);
  }
  int Wait() { return m_process.Wait(std::chrono::seconds(10)); }

 private:
  static std::vector<std::string> Arguments(int port, int count, const std::vector<std::string>& answers) {
    std::vector<std::string> arguments{VUDODA_PYTHON, VUDODA_HL7_PEER, "receive", std::to_string(port),
                                       std::to_string(count), "60"};
    arguments.insert(arguments.end(), answers.begin(), answers.end());
    return arguments;
  }

  ChildProcess m_process;
  int m_port = 0;
};
