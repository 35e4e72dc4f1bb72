// The limits a client meets: submissions a minute per address as a token bucket, connections per
// address, and which peers are proxies whose X-Forwarded-For names the client.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct sockaddr;

namespace skelvar::board {

using Clock = std::chrono::steady_clock;

// An address in its canonical text form ("127.0.0.1", "::1"); empty for other families.
std::string AddressText(const sockaddr* address);
// The canonical form of an address given as text; empty for text that is not an address.
std::string CanonicalAddress(std::string_view text);

class Proxies {
 public:
  explicit Proxies(const std::vector<std::string>& addresses);
  bool Trusted(const std::string& peer) const { return trusted_.contains(peer); }
  // The client behind `peer`: the last address in X-Forwarded-For that is not a trusted proxy,
  // when the peer is one; the peer itself otherwise.
  std::string Client(const std::string& peer, const char* forwardedFor) const;
  bool Empty() const { return trusted_.empty(); }

 private:
  std::unordered_set<std::string> trusted_;
};

class TokenBuckets {
 public:
  explicit TokenBuckets(int perMinute) : perMinute_(perMinute) {}
  // Takes a token; when none is left, false with the seconds until the next one.
  bool Take(const std::string& client, Clock::time_point now, int& retryAfter);

 private:
  struct Bucket {
    double tokens;
    Clock::time_point at;
  };
  void Refill(Bucket& bucket, Clock::time_point now) const;

  const int perMinute_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

class ConnectionCounts {
 public:
  explicit ConnectionCounts(int perAddress) : perAddress_(perAddress) {}
  bool Room(const std::string& address);
  void Opened(const std::string& address);
  void Closed(const std::string& address);

 private:
  const int perAddress_;
  std::mutex mutex_;
  std::unordered_map<std::string, int> counts_;
};

}  // namespace skelvar::board
