#include "tools/StationCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>

#include "config/ObexConfig.h"
#include "hospital/EmrFolderOptions.h"
#include "link/HostPort.h"
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

std::optional<std::string> ReadConfig(const StationCommandOptions& options, ObexConfig& config) {
  if (options.config.empty()) {
    config.Open();
  } else if (!config.Open(options.config.c_str())) {
    return "cannot read the configuration " + options.config;
  }
  return std::nullopt;
}

// `text` as an endpoint into `host` and `port`, which stay as they are when it is empty; false
// when it is not HOST:PORT.
bool TakeEndpoint(const std::string& text, std::string& host, int& port) {
  if (text.empty()) return true;
  const std::optional<HostPort> endpoint = HostPort::Parse(text);
  if (!endpoint) return false;
  host = endpoint->host;
  port = endpoint->port;
  return true;
}

// The endpoints of --listen, --http, --hl7-listen and --hl7-send into the options; the usage
// fault of one that is none, or nullopt.
std::optional<std::string> SetEndpoints(const StationCommandOptions& options, StationOptions& station) {
  std::string httpHost;
  int httpPort = 0;
  const struct {
    const std::string& text;
    const char* option;
    const char* form;
    std::string& host;
    int& port;
  } endpoints[] = {
      {options.listen, "--listen", "ADDRESS:PORT", station.listenAddress, station.port},
      {options.http, "--http", "ADDRESS:PORT", httpHost, httpPort},
      {options.hl7Listen, "--hl7-listen", "ADDRESS:PORT", station.hl7ListenAddress, station.hl7ListenPort},
      {options.hl7Send, "--hl7-send", "HOST:PORT", station.hl7SendHost, station.hl7SendPort},
  };
  for (const auto& endpoint : endpoints) {
    if (!TakeEndpoint(endpoint.text, endpoint.host, endpoint.port)) {
      return std::string(endpoint.option) + " '" + endpoint.text + "' is not " + endpoint.form;
    }
  }
  station.httpAddress = options.http;  // the web side reads it itself (localhost, brackets)
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
  command.add_option("--http", options->http,
                     "serve the ward's web side on ADDRESS:PORT (HTTPS with --tls-cert and --tls-key; plain HTTP "
                     "only on a loopback address)")
      ->type_name("ADDRESS:PORT");
  auto* cert = command.add_option("--tls-cert", options->tlsCert, "the web side's certificate chain (PEM)")
                   ->type_name("FILE")
                   ->needs("--http");
  auto* key = command.add_option("--tls-key", options->tlsKey, "the private key of --tls-cert (PEM)")
                  ->type_name("FILE")
                  ->needs("--http");
  cert->needs(key);
  key->needs(cert);
  auto* peers = command.add_option("--hl7-peers", options->hl7Peers,
                                   "the addresses that may send admissions, separated by commas")
                    ->type_name("ADDRESSES")
                    ->delimiter(',');
  command.add_option("--hl7-listen", options->hl7Listen,
                     "take the hospital's admissions (HL7 ADT over MLLP) on ADDRESS:PORT from --hl7-peers")
      ->type_name("ADDRESS:PORT")
      ->needs(peers);
  peers->needs("--hl7-listen");
  command.add_option("--hl7-send", options->hl7Send,
                     "send each monitored bed's observations (HL7 ORU over MLLP) to HOST:PORT")
      ->type_name("HOST:PORT");
  command.add_option("--hl7-interval", options->hl7Interval, "seconds between a bed's observations")
      ->capture_default_str()
      ->check(DecimalBetween(0.5, 86400))
      ->needs("--hl7-send");
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
  if (auto fault = SetEndpoints(options, station)) return ReportUsageFault(io, kCommand, *fault);
  station.beds = options.beds;
  station.monitorsFile = options.monitors;
  station.monitorCodePage = options.monitorCodePage;
  station.silence = std::chrono::milliseconds(static_cast<long>(options.silence * 1000));
  station.dataFolder = config.m_strDataPath.GetString();
  std::error_code ignored;
  std::filesystem::create_directories(station.dataFolder, ignored);
  station.databaseUri = options.database.empty() ? StationDatabase::DefaultUri(config) : options.database;
  station.stopOnSignals = true;
  station.tlsCertificateFile = options.tlsCert;
  station.tlsKeyFile = options.tlsKey;
  station.hl7Peers = options.hl7Peers;
  station.hl7Interval = std::chrono::milliseconds(static_cast<long>(options.hl7Interval * 1000));
  station.emr = EmrFolderOptions::FromConfig(config);

  StationScreen screen(io.out, WritesToTerminal(io));
  StationEngine engine(station, {[&](const std::string& event) { screen.ShowEvent(event); },
                                 [&](const std::vector<BedRow>& rows) { screen.ShowRows(rows); },
                                 [&](const std::string& status) { screen.ShowStatus(status); }});
  if (auto fault = engine.Start()) return ReportFailure(io, kCommand, *fault);
  screen.ShowEvent("station listening on " + station.listenAddress + ":" + std::to_string(engine.Port()) + ", " +
                   std::to_string(station.beds) + " beds, recordings in " + station.dataFolder);
  engine.Run();
  return kExitOk;
}
