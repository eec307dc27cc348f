#pragma once

#include <gtest/gtest.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <future>
#include <memory>
#include <thread>

#include "web/FakeWard.h"
#include "web/WardServer.h"
#include "web/WebTestClient.h"

// A ward server on 127.0.0.1 with the made-up ward, its loop run by a thread of its own; the test
// reaches the server and the ward through OnLoop, and the server through the clients of
// WebTestClient.h.
class WebServerTest : public ::testing::Test {
 protected:
  using PlainConnection = webtest::Connection<webtest::PlainStream>;
  using PlainLive = webtest::LiveConnection<webtest::PlainStream>;

  struct Login {
    std::string cookie;
    std::string token;
  };

  static WardServerOptions TestOptions() {
    WardServerOptions options;
    options.address = "127.0.0.1:0";
    options.requestTimeout = std::chrono::seconds(5);
    return options;
  }

  // Runs `work` on the server's loop and returns its result.
  template <class Work>
  auto OnLoop(Work work) {
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    boost::asio::post(m_loop, [&task] { task(); });
    if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the server's loop did not run the test's work";
      std::abort();
    }
    return result.get();
  }

  // Starts the server with `options`; the fault when it does not start.
  std::optional<std::string> TryStart(WardServerOptions options) {
    m_ward = std::make_unique<FakeWard>(m_loop);
    return StartServer(options);
  }

  void Start(WardServerOptions options = TestOptions()) { ASSERT_EQ(TryStart(std::move(options)), std::nullopt); }

  // Stops the server and starts a new one for the same ward, as a station that restarts does.
  void Restart(WardServerOptions options = TestOptions()) {
    StopServer();
    m_loop.restart();
    m_work.emplace(m_loop.get_executor());
    ASSERT_EQ(StartServer(options), std::nullopt);
  }

  void TearDown() override { StopServer(); }

  void StopServer() {
    if (m_thread.joinable()) {
      OnLoop([this] { m_server->Stop(); });
      m_work.reset();
      m_thread.join();
    }
  }

  std::optional<std::string> StartServer(const WardServerOptions& options) {
    m_server = std::make_unique<WardServer>(m_loop, *m_ward, options);
    auto fault = m_server->Start();
    if (fault) return fault;
    m_port = m_server->Port();
    m_origin = std::string(options.certificateFile.empty() ? "http" : "https") + "://127.0.0.1:" + std::to_string(m_port);
    m_thread = std::thread([this] { m_loop.run(); });
    return std::nullopt;
  }

  WardServerStatus Status() { return OnLoop([this] { return m_server->Status(); }); }

  std::optional<webtest::HttpResponse> Send(webtest::HttpRequest request, const std::string& source = "") {
    PlainConnection connection(m_port, nullptr, webtest::ClientOptions{source, 0});
    if (connection.Open()) return std::nullopt;
    return connection.Send(std::move(request));
  }

  webtest::HttpRequest Get(const std::string& target, const std::string& cookie = "") {
    return webtest::Request(webtest::http::verb::get, target, m_port, cookie);
  }
  // A write as the server's own page sends it.
  webtest::HttpRequest Post(const std::string& target, const Login& login, const std::string& body) {
    return webtest::Request(webtest::http::verb::post, target, m_port, login.cookie, m_origin, login.token, body);
  }

  // A login as the login page sends it, from loopback address `source` (127.0.0.1 by default).
  std::optional<webtest::HttpResponse> TryLogIn(const std::string& user, const std::string& password,
                                                const std::string& source = "", const std::string& cookie = "") {
    return Send(webtest::Request(webtest::http::verb::post, "/api/login", m_port, cookie, m_origin, "",
                                 nlohmann::json{{"user", user}, {"password", password}}.dump()),
                source);
  }

  std::optional<Login> LogIn(const std::string& user = FakeWard::kUser, const std::string& password = FakeWard::kPassword) {
    const auto response = TryLogIn(user, password);
    if (!response || response->result_int() != 200) return std::nullopt;
    return Login{webtest::CookieOf(*response), nlohmann::json::parse(response->body())["token"].get<std::string>()};
  }

  int AuditCount(AuditEntry::Action action) {
    int count = 0;
    for (const AuditEntry& entry : m_ward->AuditLines()) count += entry.action == action;
    return count;
  }

  boost::asio::io_context m_loop;
  std::optional<boost::asio::executor_work_guard<boost::asio::io_context::executor_type>> m_work{m_loop.get_executor()};
  std::unique_ptr<FakeWard> m_ward;
  std::unique_ptr<WardServer> m_server;
  std::thread m_thread;
  int m_port = 0;
  std::string m_origin;
};
