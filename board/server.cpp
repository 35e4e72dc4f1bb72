#include "board/server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "board/api.h"
#include "board/limits.h"
#include "board/site.h"
#include "board/verify.h"

namespace skelvar::board {
namespace {

struct StopDaemon {
  void operator()(MHD_Daemon* daemon) const { MHD_stop_daemon(daemon); }
};
using DaemonHandle = std::unique_ptr<MHD_Daemon, StopDaemon>;
struct DestroyResponse {
  void operator()(MHD_Response* response) const { MHD_destroy_response(response); }
};
using ResponseHandle = std::unique_ptr<MHD_Response, DestroyResponse>;

// One open connection, watched so that a request that has not arrived by its deadline is cut:
// libmicrohttpd's own timeout only measures silence, which a byte a second never breaks.
struct Tracked {
  int fd = -1;
  std::string peer;
  Clock::time_point started;  // when the connection opened or its last request ended
  bool waiting = false;       // its request has arrived and waits for its verdict
  bool cut = false;
  int served = 0;  // requests answered on it; an idle kept-alive connection is closed unlogged
};

// A request other than a run is answered on the handler's second call: an answer queued with the
// headers alone would close the connection, since its body (if any) would go unread.
enum class Stage { Deferred, Reading, Queued, Answered };

// One request, from its headers to its answer.
struct Request {
  MHD_Connection* connection = nullptr;
  Tracked* tracked = nullptr;
  std::string client;
  std::string method;
  std::string url;
  Stage stage = Stage::Deferred;
  bool submission = false;
  bool tooLarge = false;
  std::string body;
  Submission sent;
  NewRun run;
  Answer answer;
};

sockaddr_storage ReadListen(const std::string& listen, socklen_t& length) {
  std::size_t colon = listen.rfind(':');
  if (colon == std::string::npos) throw std::runtime_error("--listen needs ADDR:PORT: " + listen);
  std::string host = listen.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  int port = -1;
  try {
    std::size_t used = 0;
    port = std::stoi(listen.substr(colon + 1), &used);
    if (used != listen.size() - colon - 1) port = -1;
  } catch (const std::exception&) {
  }
  if (port < 0 || port > 65535) throw std::runtime_error("--listen has no port: " + listen);
  sockaddr_storage address{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<uint16_t>(port));
    length = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<uint16_t>(port));
    length = sizeof(sockaddr_in6);
  } else {
    throw std::runtime_error("--listen needs a numeric address: " + listen);
  }
  return address;
}

const char* Query(MHD_Connection* connection, const char* key) {
  return MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, key);
}

bool IsGet(const std::string& method) {
  return method == "GET" || method == "HEAD";
}

thread_local std::unique_ptr<Store> threadStore;

// The board's pages as last answered on this thread: a page is asked far more often than the
// board changes. An answer is used again while no run was committed here since and for at most a
// second, so that the commits of other servers on the same database show within a second.
struct CachedAnswer {
  uint64_t generation = 0;
  Clock::time_point at;
  Answer answer;
};
thread_local std::unordered_map<std::string, CachedAnswer> threadCache;
constexpr auto CacheLife = std::chrono::seconds(1);

}  // namespace

struct Server::Impl {
  Options options;
  StoreOpener open;
  Proxies proxies;
  TokenBuckets buckets;
  ConnectionCounts counts;
  Site site;
  DaemonHandle daemon;
  Clock::duration requestTimeout;

  std::atomic<bool> stopping{false};
  // Counts the commits that changed the board, for the pages' cache.
  std::atomic<uint64_t> generation{0};

  // The connections, for the sweep that cuts the late ones.
  std::mutex trackedMutex;
  std::unordered_set<Tracked*> tracked;
  std::condition_variable sweepWake;
  bool sweepStop = false;
  std::thread sweeper;

  // Runs waiting for their verdict, then for their commit; `pending` counts those taken and not
  // yet answered, for a clean stop.
  std::mutex queueMutex;
  std::condition_variable queueWake;
  std::deque<Request*> verifyQueue;
  std::deque<Request*> commitQueue;
  std::condition_variable commitWake;
  bool workersStop = false;
  std::vector<std::thread> verifiers;
  std::thread writer;
  std::mutex pendingMutex;
  std::condition_variable pendingWake;
  int pending = 0;

  Impl(const Options& given, StoreOpener opener)
      : options(given),
        open(std::move(opener)),
        proxies(given.trustProxy),
        buckets(given.submitRate),
        counts(given.perAddress),
        site(given.site),
        requestTimeout(std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(given.requestTimeout))) {}

  static void Log(const Request& request, const Answer& answer) {
    std::fprintf(stderr, "skelvar-board: %d %s %s from %s: %s\n", answer.status,
                 request.method.c_str(), request.url.c_str(), request.client.c_str(),
                 answer.why.c_str());
  }

  static MHD_Result Send(Request& request, const Answer& answer) {
    if (answer.status >= 400) Log(request, answer);
    ResponseHandle response(MHD_create_response_from_buffer(
        answer.body.size(), const_cast<char*>(answer.body.data()), MHD_RESPMEM_MUST_COPY));
    if (!response) return MHD_NO;
    MHD_add_response_header(response.get(), "Content-Type", answer.type);
    if (request.url.starts_with("/api/")) {
      MHD_add_response_header(response.get(), "Cache-Control", "no-store");
    }
    if (answer.retryAfter > 0) {
      MHD_add_response_header(response.get(), "Retry-After",
                              std::to_string(answer.retryAfter).c_str());
    }
    if (answer.status == 405) {
      MHD_add_response_header(response.get(), "Allow",
                              request.url == "/api/runs" ? "POST" : "GET, HEAD");
    }
    return MHD_queue_response(request.connection, answer.status, response.get());
  }

  Store& ThreadStore() {
    if (!threadStore) threadStore = open();
    return *threadStore;
  }

  // --- Reading requests -------------------------------------------------------------------

  MHD_Result Begin(Request& request) {
    if (request.url == "/api/runs" && request.method == "POST") {
      request.stage = Stage::Reading;
      return BeginSubmission(request);
    }
    return MHD_YES;
  }

  MHD_Result Route(Request& request) {
    const std::string& url = request.url;
    if (url == "/api" || url.starts_with("/api/")) {
      if (url == "/api/runs") return Send(request, Refuse(405, "use POST"));
      bool known = url == "/api/board" || url == "/api/board/around" || url == "/api/health" ||
                   url.starts_with("/api/runs/");
      if (!known) return Send(request, Refuse(404, "no such endpoint"));
      if (!IsGet(request.method)) return Send(request, Refuse(405, "use GET"));
      return Send(request, Read(request));
    }
    if (site.Empty()) return Send(request, Refuse(404, "no such page"));
    if (!IsGet(request.method)) return Send(request, Refuse(405, "use GET"));
    std::optional<SiteFile> file = site.Open(url);
    if (!file) return Send(request, Refuse(404, "no such file"));
    ResponseHandle response(MHD_create_response_from_fd64(file->size, file->fd));
    if (!response) {
      close(file->fd);
      return MHD_NO;
    }
    MHD_add_response_header(response.get(), "Content-Type", file->type);
    return MHD_queue_response(request.connection, 200, response.get());
  }

  Answer Read(Request& request) {
    const std::string& url = request.url;
    MHD_Connection* connection = request.connection;
    if (url == "/api/health") return HealthAnswer();
    auto value = [&](const char* key) {
      const char* text = Query(connection, key);
      return text ? "=" + std::string(text) : std::string();
    };
    std::string key = url + "?limit" + value("limit") + "&after" + value("after") + "&logic" +
                      value("logic") + "&name" + value("name");
    Clock::time_point now = Clock::now();
    uint64_t current = generation.load();
    if (auto it = threadCache.find(key); it != threadCache.end() &&
                                         it->second.generation == current &&
                                         now - it->second.at < CacheLife) {
      return it->second.answer;
    }
    Answer answer = ReadStore(request);
    if (answer.status == 200 || answer.status == 404) {
      if (threadCache.size() > 4096) threadCache.clear();
      threadCache[key] = CachedAnswer{current, now, answer};
    }
    return answer;
  }

  Answer ReadStore(Request& request) {
    const std::string& url = request.url;
    MHD_Connection* connection = request.connection;
    try {
      Store& store = ThreadStore();
      if (url == "/api/board") {
        return BoardAnswer(store, Query(connection, "limit"), Query(connection, "after"),
                           Query(connection, "logic"));
      }
      if (url == "/api/board/around") {
        return AroundAnswer(store, Query(connection, "name"), Query(connection, "logic"));
      }
      return CodeAnswer(store, std::string_view(url).substr(std::string_view("/api/runs/").size()));
    } catch (const std::exception& error) {
      threadStore.reset();
      return Refuse(503, std::string("the database is unavailable: ") + error.what(), 1);
    }
  }

  MHD_Result BeginSubmission(Request& request) {
    request.submission = true;
    if (stopping) return Send(request, Refuse(503, "the board is stopping", 5));
    const char* length =
        MHD_lookup_connection_value(request.connection, MHD_HEADER_KIND, "Content-Length");
    if (length != nullptr) {
      char* end = nullptr;
      unsigned long long size = std::strtoull(length, &end, 10);
      if (end == length || *end != '\0' || size > options.maxBody) {
        return Send(request, Refuse(413, "the body is larger than " +
                                             std::to_string(options.maxBody) + " bytes"));
      }
      request.body.reserve(size);
    }
    int retryAfter = 0;
    if (!buckets.Take(request.client, Clock::now(), retryAfter)) {
      return Send(request, Refuse(429, "too many runs sent from this address", retryAfter));
    }
    return MHD_YES;
  }

  MHD_Result Upload(Request& request, const char* data, size_t* size) {
    if (Clock::now() - request.tracked->started > requestTimeout) {
      Answer late = Refuse(408, "the request did not arrive in time");
      Log(request, late);
      return MHD_NO;
    }
    if (request.body.size() + *size > options.maxBody) {
      // A chunked body has no length to refuse it by: what comes past the cap is let go.
      request.tooLarge = true;
      request.body.clear();
      request.body.shrink_to_fit();
    } else if (!request.tooLarge) {
      request.body.append(data, *size);
    }
    *size = 0;
    return MHD_YES;
  }

  MHD_Result Arrived(Request& request) {
    if (request.tooLarge) {
      return Send(request, Refuse(413, "the body is larger than " +
                                           std::to_string(options.maxBody) + " bytes"));
    }
    auto sent = ReadSubmission(request.body);
    if (Answer* refusal = std::get_if<Answer>(&sent)) return Send(request, *refusal);
    request.sent = std::move(std::get<Submission>(sent));
    request.body = std::string();
    {
      std::lock_guard lock(queueMutex);
      if (static_cast<int>(verifyQueue.size()) >= options.queue) {
        return Send(request, Refuse(503, "the board is busy verifying runs", 1));
      }
      {
        std::lock_guard trackedLock(trackedMutex);
        request.tracked->waiting = true;
      }
      {
        std::lock_guard pendingLock(pendingMutex);
        ++pending;
      }
      request.stage = Stage::Queued;
      MHD_suspend_connection(request.connection);
      verifyQueue.push_back(&request);
    }
    queueWake.notify_one();
    return MHD_YES;
  }

  // Hands a verified or refused run its answer and wakes its connection.
  static void Answered(Request& request, Answer answer) {
    request.answer = std::move(answer);
    request.stage = Stage::Answered;
    MHD_resume_connection(request.connection);
  }

  // --- Verifying and committing ------------------------------------------------------------

  void Verify() {
    for (;;) {
      Request* request = nullptr;
      {
        std::unique_lock lock(queueMutex);
        queueWake.wait(lock, [&] { return workersStop || !verifyQueue.empty(); });
        if (verifyQueue.empty()) return;
        request = verifyQueue.front();
        verifyQueue.pop_front();
      }
      auto verdict = VerifyCode(request->sent.code, options.maxTicks);
      if (Refusal* refusal = std::get_if<Refusal>(&verdict)) {
        Answered(*request, Refuse(refusal->status, refusal->reason));
        continue;
      }
      Verified& verified = std::get<Verified>(verdict);
      NewRun& run = request->run;
      run.id = std::move(verified.id);
      run.code = std::move(verified.code);
      run.logic = verified.logic;
      run.ticks = verified.ticks;
      run.name = std::move(request->sent.name.shown);
      run.folded = std::move(request->sent.name.folded);
      run.keyHash = std::move(request->sent.keyHash);
      run.at = std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count();
      {
        std::lock_guard lock(queueMutex);
        commitQueue.push_back(request);
      }
      commitWake.notify_one();
    }
  }

  // Commits the runs that arrived together in one transaction: full sync costs once a batch.
  void Write() {
    std::unique_ptr<Store> store;
    std::vector<Request*> batch;
    std::vector<NewRun> runs;
    std::vector<Kept> kept;
    for (;;) {
      batch.clear();
      {
        std::unique_lock lock(queueMutex);
        commitWake.wait(lock, [&] { return workersStop || !commitQueue.empty(); });
        if (commitQueue.empty()) return;
        while (!commitQueue.empty() && batch.size() < 1024) {
          batch.push_back(commitQueue.front());
          commitQueue.pop_front();
        }
      }
      runs.clear();
      for (Request* request : batch) runs.push_back(std::move(request->run));
      kept.assign(runs.size(), Kept{});
      try {
        if (!store) store = open();
        store->Keep(runs, kept);
        generation.fetch_add(1);
        for (std::size_t i = 0; i < batch.size(); ++i) Answered(*batch[i], KeptAnswer(kept[i]));
      } catch (const std::exception& error) {
        store.reset();
        std::string why = std::string("the database is unavailable: ") + error.what();
        for (Request* request : batch) Answered(*request, Refuse(503, why, 1));
      }
    }
  }

  // --- Connections ---------------------------------------------------------------------------

  void Sweep() {
    std::unique_ptr<Store> store;
    Clock::time_point maintained = Clock::now();
    std::unique_lock lock(trackedMutex);
    while (!sweepStop) {
      sweepWake.wait_for(lock, std::chrono::milliseconds(100));
      if (Clock::now() - maintained > std::chrono::milliseconds(500)) {
        lock.unlock();
        try {
          if (!store) store = open();
          store->Maintain();
        } catch (const std::exception&) {
          store.reset();
        }
        maintained = Clock::now();
        lock.lock();
      }
      Clock::time_point now = Clock::now();
      for (Tracked* connection : tracked) {
        if (connection->waiting || connection->cut || now - connection->started <= requestTimeout) {
          continue;
        }
        if (connection->served == 0) {
          std::fprintf(stderr,
                       "skelvar-board: connection from %s cut: its request did not arrive "
                       "within %g s\n",
                       connection->peer.c_str(), options.requestTimeout);
        }
        // The closing notice takes this lock before libmicrohttpd closes the socket, so the
        // descriptor is still this connection's.
        shutdown(connection->fd, SHUT_RDWR);
        connection->cut = true;
      }
    }
  }

  void Start() {
    socklen_t length = 0;
    sockaddr_storage address = ReadListen(options.listen, length);
    unsigned int flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC | MHD_ALLOW_SUSPEND_RESUME;
    if (address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
    unsigned int cores = std::max(1u, std::thread::hardware_concurrency());
    unsigned int timeout = static_cast<unsigned int>(options.requestTimeout + 0.999);
    daemon.reset(MHD_start_daemon(
        flags, 0, &AcceptPolicy, this, &Access, this, MHD_OPTION_SOCK_ADDR, &address,
        MHD_OPTION_THREAD_POOL_SIZE, cores, MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned int>(options.maxConnections), MHD_OPTION_CONNECTION_TIMEOUT, timeout,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(options.maxHeader * 2),
        MHD_OPTION_NOTIFY_CONNECTION, &Notify, this, MHD_OPTION_NOTIFY_COMPLETED, &Completed, this,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024u, MHD_OPTION_END));
    if (!daemon) throw std::runtime_error("cannot listen on " + options.listen);
    int workers = options.verifiers > 0 ? options.verifiers : static_cast<int>(cores);
    for (int i = 0; i < workers; ++i) verifiers.emplace_back([this] { Verify(); });
    writer = std::thread([this] { Write(); });
    sweeper = std::thread([this] { Sweep(); });
  }

  void Stop(std::chrono::seconds bound) {
    if (!daemon) return;
    stopping = true;
    MHD_socket listener = MHD_quiesce_daemon(daemon.get());
    if (listener != MHD_INVALID_SOCKET) close(listener);
    {
      std::unique_lock lock(pendingMutex);
      pendingWake.wait_for(lock, bound, [&] { return pending == 0; });
    }
    {
      std::lock_guard lock(queueMutex);
      workersStop = true;
    }
    queueWake.notify_all();
    commitWake.notify_all();
    for (std::thread& thread : verifiers) thread.join();
    verifiers.clear();
    if (writer.joinable()) writer.join();
    daemon.reset();
    {
      std::lock_guard lock(trackedMutex);
      sweepStop = true;
    }
    sweepWake.notify_all();
    if (sweeper.joinable()) sweeper.join();
  }

  // --- libmicrohttpd's callbacks --------------------------------------------------------------

  static MHD_Result AcceptPolicy(void* cls, const sockaddr* address, socklen_t) {
    auto* self = static_cast<Impl*>(cls);
    if (self->stopping) return MHD_NO;
    std::string peer = AddressText(address);
    if (self->proxies.Trusted(peer)) return MHD_YES;
    return self->counts.Room(peer) ? MHD_YES : MHD_NO;
  }

  static void Notify(void* cls, MHD_Connection* connection, void** context,
                     MHD_ConnectionNotificationCode code) {
    auto* self = static_cast<Impl*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
      auto* tracked = new Tracked;
      const MHD_ConnectionInfo* fd =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
      const MHD_ConnectionInfo* peer =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
      tracked->fd = fd ? fd->connect_fd : -1;
      tracked->peer = peer ? AddressText(peer->client_addr) : std::string();
      tracked->started = Clock::now();
      if (!self->proxies.Trusted(tracked->peer)) self->counts.Opened(tracked->peer);
      std::lock_guard lock(self->trackedMutex);
      self->tracked.insert(tracked);
      *context = tracked;
    } else if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
      auto* tracked = static_cast<Tracked*>(*context);
      if (tracked == nullptr) return;
      if (!self->proxies.Trusted(tracked->peer)) self->counts.Closed(tracked->peer);
      {
        std::lock_guard lock(self->trackedMutex);
        self->tracked.erase(tracked);
      }
      delete tracked;
      *context = nullptr;
    }
  }

  static MHD_Result Access(void* cls, MHD_Connection* connection, const char* url,
                           const char* method, const char*, const char* data, size_t* size,
                           void** context) {
    auto* self = static_cast<Impl*>(cls);
    auto* request = static_cast<Request*>(*context);
    if (request == nullptr) {
      request = new Request;
      *context = request;
      request->connection = connection;
      request->method = method;
      request->url = url;
      const MHD_ConnectionInfo* socket =
          MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
      request->tracked = static_cast<Tracked*>(socket->socket_context);
      request->client = self->proxies.Client(
          request->tracked->peer,
          self->proxies.Empty()
              ? nullptr
              : MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For"));
      return self->Begin(*request);
    }
    switch (request->stage) {
      case Stage::Deferred:
        if (*size > 0) {
          *size = 0;  // a body nothing here reads
          return MHD_YES;
        }
        return self->Route(*request);
      case Stage::Reading:
        if (*size > 0) return self->Upload(*request, data, size);
        return self->Arrived(*request);
      case Stage::Queued:
        return MHD_YES;
      case Stage::Answered:
        return Send(*request, request->answer);
    }
    return MHD_NO;
  }

  static void Completed(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    auto* self = static_cast<Impl*>(cls);
    auto* request = static_cast<Request*>(*context);
    if (request == nullptr) return;
    bool taken = request->stage == Stage::Queued || request->stage == Stage::Answered;
    {
      std::lock_guard lock(self->trackedMutex);
      request->tracked->started = Clock::now();
      request->tracked->waiting = false;
      ++request->tracked->served;
    }
    delete request;
    *context = nullptr;
    if (taken) {
      std::lock_guard lock(self->pendingMutex);
      if (--self->pending == 0) self->pendingWake.notify_all();
    }
  }
};

Server::Server(const Options& options, StoreOpener open)
    : impl_(std::make_unique<Impl>(options, std::move(open))) {
  impl_->Start();
}

Server::~Server() {
  impl_->Stop(std::chrono::seconds(30));
}

uint16_t Server::Port() const {
  const MHD_DaemonInfo* info = MHD_get_daemon_info(impl_->daemon.get(), MHD_DAEMON_INFO_BIND_PORT);
  return info ? info->port : 0;
}

void Server::Stop(std::chrono::seconds bound) {
  impl_->Stop(bound);
}

}  // namespace skelvar::board
