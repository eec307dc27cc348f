#include "web/WardServer.h"

#include <dlfcn.h>

#include <filesystem>

#include "web/WebHub.h"
#include "web/WebRouter.h"

WardServer::WardServer(boost::asio::io_context& loop, WardService& ward, WardServerOptions options) {
  if (options.wwwFolder.empty()) options.wwwFolder = DefaultWwwFolder();
  m_hub = std::make_shared<WebHub>(loop, ward, std::move(options));
}

WardServer::~WardServer() { Stop(); }

std::optional<std::string> WardServer::Start() { return m_hub->Start(); }

int WardServer::Port() const { return m_hub->Port(); }

void WardServer::Stop() { m_hub->Stop(); }

void WardServer::BedChanged(const BedView& view) { m_hub->BedChanged(view); }

void WardServer::SamplesArrived(int bed, TraceBatch batch) { m_hub->SamplesArrived(bed, std::move(batch)); }

void WardServer::AlarmChanged(WardAlarm::Event event, const WardAlarm& alarm) { m_hub->AlarmChanged(event, alarm); }

WardServerStatus WardServer::Status() const { return m_hub->Status(); }

std::vector<WebRoute> WardServer::Routes() { return WebRouter::Routes(); }

std::string WardServer::DefaultWwwFolder() {
  Dl_info library{};
  if (dladdr(reinterpret_cast<void*>(&WardServer::DefaultWwwFolder), &library) != 0 && library.dli_fname) {
    const auto installed = std::filesystem::path(library.dli_fname).parent_path() / VUDODA_WEB_INSTALLED_WWW;
    std::error_code error;
    if (std::filesystem::is_directory(installed, error)) return installed.lexically_normal().string();
  }
  return VUDODA_WEB_SOURCE_WWW;
}
