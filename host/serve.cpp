// merxa serve: the tier as a service. Late-bound calls over HTTP/JSON (host/serve/call_protocol.h),
// the demo shop page on GET /, one log line per request, a clean stop on SIGTERM.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "host/commands.h"
#include "host/serve/call_protocol.h"
#include "host/serve/shop.h"
#include "host/xslt/transform.h"

namespace host {

namespace {

void usage() { std::fputs("usage: merxa serve [--port N] [--listen ADDRESS] [--home DIR]\n", stderr); }

std::string flag(const Arguments& args, const std::string& name, const std::string& fallback) {
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == name) return args[i + 1];
  return fallback;
}

// Log text with every control character shown as "?", so no caller can forge a line.
std::string printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

std::string now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the handler of a request tells the log line, on the thread that serves it.
thread_local std::string requestSummary;
thread_local std::chrono::steady_clock::time_point requestStart;

}  // namespace

int runServe(const Arguments& args) {
  int port = 8460;
  try {
    port = std::stoi(flag(args, "--port", "8460"));
  } catch (const std::exception&) {
    usage();
    return 2;
  }
  if (port < 0 || port > 65535) {
    usage();
    return 2;
  }
  const std::string address = flag(args, "--listen", "127.0.0.1");
  const std::string home = corvaneHome(args);
  setenv("CORVANE_HOME", home.c_str(), 1);

  std::unique_ptr<serve::CallService> service;
  try {
    service = std::make_unique<serve::CallService>(serve::loadServiceConfig(serve::serviceConfigPath(home)));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "merxa serve: %s\n", e.what());
    return 1;
  }
  serve::registerShop(home + "/merxa/config");
  const std::string page = readFile(xslt::examplesFolder() + "/shop/index.html");

  // SIGTERM and SIGINT are taken by a thread of their own, which stops the server; every other
  // thread, started after this, has them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  httplib::Server server;
  const int threads = service->config().threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
  // The library listens with a queue of 5, which drops connections under load; the socket is
  // kept here and listened on again with a longer queue once bound.
  int listening = -1;
  server.set_socket_options([&listening](int sock) {
    httplib::default_socket_options(sock);
    listening = sock;
  });
  server.set_tcp_nodelay(true);  // else Nagle's algorithm holds each small answer back
  server.set_payload_max_length(service->config().maxRequestBytes);
  server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    requestSummary.clear();
    requestStart = std::chrono::steady_clock::now();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  server.Post("/call", [&](const httplib::Request& req, httplib::Response& res) {
    serve::Reply reply = service->handle(req.get_header_value("Authorization"), req.body);
    res.status = reply.status;
    if (reply.status == 401) res.set_header("WWW-Authenticate", "Bearer");
    res.set_content(reply.body.dump(), "application/json");
    std::string session = reply.body.contains("session") ? reply.body["session"].get<std::string>().substr(0, 8) : "-";
    requestSummary = session + " " + reply.summary;
  });
  server.Get("/", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(page, "text/html; charset=utf-8");
  });
  // Refusals of the HTTP layer (too large, no such path, wrong method) answer JSON as well.
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const std::string what = res.status == 413 ? "the request is too large"
                             : res.status == 404 ? "no such path (the service answers POST /call and GET /)"
                             : "the request was refused (HTTP " + std::to_string(res.status) + ")";
    res.set_content(Json{{"error", serve::serviceError(what)}}.dump(), "application/json");
    requestSummary = "refused: " + what;
  });
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requestStart).count();
    std::fprintf(stderr, "%s %s %s %s %d %.1fms %s\n", now().c_str(), printable(req.remote_addr).c_str(),
                 printable(req.method).c_str(), printable(req.path).c_str(), res.status, ms,
                 printable(requestSummary).c_str());
  });

  const int bound = port == 0 ? server.bind_to_any_port(address) : (server.bind_to_port(address, port) ? port : -1);
  if (bound < 0) {
    std::fprintf(stderr, "merxa serve: cannot listen on %s:%d\n", address.c_str(), port);
    return 1;
  }
  if (listening >= 0) ::listen(listening, 128);
  std::printf("merxa serve: listening on http://%s:%d/\n", address.c_str(), bound);
  std::fflush(stdout);

  std::atomic<bool> stopping{false};
  std::thread signals([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (!stopping.exchange(true)) std::fprintf(stderr, "merxa serve: stopping on signal %d\n", signal);
    server.stop();
  });
  std::thread reaper([&] {
    while (!stopping) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      service->sessions().endIdle();
    }
  });

  // Returns once stopped, after the calls in flight have finished.
  server.listen_after_bind();
  if (!stopping.exchange(true)) pthread_kill(signals.native_handle(), SIGTERM);
  signals.join();
  reaper.join();
  service->sessions().endAll();
  std::fprintf(stderr, "merxa serve: stopped\n");
  return 0;
}

}  // namespace host
