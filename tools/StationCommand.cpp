#include "tools/StationCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>

#include "config/ObexConfig.h"
#include "registry/StationDatabase.h"
#include "tools/LanguageOption.h"
#include "tools/OptionChecks.h"
#include "ward/StationEngine.h"
#include "ward/StationScreen.h"

namespace {

constexpr const char* kCommand = "station";
// A configuration without "Broker Port" reads it as 0; the station then listens on the
// record's own default.
constexpr int kDefaultBrokerPort = 4500;
constexpr int kMaxBeds = 1024;

// Splits "ADDRESS:PORT" ("[ADDRESS]:PORT" for IPv6) into the options; false when it is not one.
bool SetListen(const std::string& listen, StationOptions& options) {
  const std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == listen.size()) return false;
  std::string address = listen.substr(0, colon);
  if (address.front() == '[' && address.back() == ']') address = address.substr(1, address.size() - 2);
  try {
    std::size_t used = 0;
    const int port = std::stoi(listen.substr(colon + 1), &used);
    if (used != listen.size() - colon - 1 || port < 0 || port > 65535) return false;
    options.listenAddress = address;
    options.port = port;
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

std::optional<std::string> ReadConfig(const StationCommandOptions& options, ObexConfig& config) {
  if (options.config.empty()) {
    config.Open();
  } else if (!config.Open(options.config.c_str())) {
    return "cannot read the configuration " + options.config;
  }
  return std::nullopt;
}

bool WritesToTerminal(const ToolIo& io) { return &io.out == &std::cout && ::isatty(STDOUT_FILENO); }

}  // namespace

void DefineStation(CLI::App& command, CommandRun& run) {
  const auto options = std::make_shared<StationCommandOptions>();
  command.add_option("--listen", options->listen, "listen on ADDRESS:PORT (default: every address, \"Broker Port\")")
      ->type_name("ADDRESS:PORT");
  command.add_option("--database", options->database, "the patient database's connection URI (default: "
                                                       "sqlite:vudoda.db in the data folder)")
      ->type_name("URI");
  command.add_option("--config", options->config, "the Maternis.ini to run with (default: the program folder's)")
      ->type_name("FILE");
  command.add_option("--monitors", options->monitors,
                     "the ward file: one line \"BED ADDRESS [label]\" per monitor, # comments; a monitor not "
                     "named is refused (default: none, any monitor may connect)")
      ->type_name("FILE");
  command.add_option("--monitor-code-page", options->monitorCodePage,
                     "the code page of the monitors' patient texts: 1252 Western, 949 Korean, 65001 UTF-8")
      ->capture_default_str()
      ->check(CLI::IsMember({1252u, 949u, 65001u}));
  command.add_option("--beds", options->beds, "how many monitors the station serves at once")
      ->capture_default_str()
      ->check(CLI::Range(1, kMaxBeds));
  command.add_option("--silence", options->silence, "seconds without data that make a communication failure")
      ->capture_default_str()
      ->check(DecimalBetween(0.5, 600));
  command.callback([options, &run] { run.exitCode = RunStation(*options, run.io); });
}

int RunStation(const StationCommandOptions& options, ToolIo& io) {
  ObexConfig config;
  if (auto fault = ReadConfig(options, config)) return ReportFailure(io, kCommand, *fault);
  LanguageOption language;
  if (auto fault = language.Select(config.m_nLanguage)) {
    io.err << "vudoda station: " << *fault << ", texts in English\n";
  }

  StationOptions station;
  station.port = config.m_nBrokerPort == 0 ? kDefaultBrokerPort : config.m_nBrokerPort;
  if (!options.listen.empty() && !SetListen(options.listen, station)) {
    return ReportUsageFault(io, kCommand, "--listen '" + options.listen + "' is not ADDRESS:PORT");
  }
  station.beds = options.beds;
  station.monitorsFile = options.monitors;
  station.monitorCodePage = options.monitorCodePage;
  station.silence = std::chrono::milliseconds(static_cast<long>(options.silence * 1000));
  station.dataFolder = config.m_strDataPath.GetString();
  std::error_code ignored;
  std::filesystem::create_directories(station.dataFolder, ignored);
  station.databaseUri = options.database.empty() ? StationDatabase::DefaultUri(config) : options.database;
  station.stopOnSignals = true;

  StationScreen screen(io.out, WritesToTerminal(io));
  StationEngine engine(station, {[&](const std::string& event) { screen.ShowEvent(event); },
                                 [&](const std::vector<BedRow>& rows) { screen.ShowRows(rows); }});
  if (auto fault = engine.Start()) return ReportFailure(io, kCommand, *fault);
  screen.ShowEvent("station listening on " + station.listenAddress + ":" + std::to_string(engine.Port()) + ", " +
                   std::to_string(station.beds) + " beds, recordings in " + station.dataFolder);
  engine.Run();
  return kExitOk;
}
