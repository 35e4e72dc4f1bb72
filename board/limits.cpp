#include "board/limits.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace skelvar::board {

std::string AddressText(const sockaddr* address) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address == nullptr) return {};
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
  } else if (address->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
  }
  return text;
}

std::string CanonicalAddress(std::string_view text) {
  std::string copy(text);
  char out[INET6_ADDRSTRLEN] = {};
  in6_addr v6{};
  in_addr v4{};
  if (inet_pton(AF_INET, copy.c_str(), &v4) == 1) {
    inet_ntop(AF_INET, &v4, out, sizeof out);
  } else if (inet_pton(AF_INET6, copy.c_str(), &v6) == 1) {
    inet_ntop(AF_INET6, &v6, out, sizeof out);
  }
  return out;
}

Proxies::Proxies(const std::vector<std::string>& addresses) {
  for (const std::string& address : addresses) trusted_.insert(CanonicalAddress(address));
  trusted_.erase("");
}

std::string Proxies::Client(const std::string& peer, const char* forwardedFor) const {
  if (forwardedFor == nullptr || !Trusted(peer)) return peer;
  std::string_view list = forwardedFor;
  // From the right: each trusted proxy appended the address it was sent from.
  while (!list.empty()) {
    std::size_t comma = list.rfind(',');
    std::string_view part = comma == std::string_view::npos ? list : list.substr(comma + 1);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(0, comma);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    std::string address = CanonicalAddress(part);
    if (address.empty()) return peer;  // a header that cannot be read names nobody
    if (!Trusted(address)) return address;
  }
  return peer;
}

void TokenBuckets::Refill(Bucket& bucket, Clock::time_point now) const {
  double seconds = std::chrono::duration<double>(now - bucket.at).count();
  bucket.tokens = std::min<double>(perMinute_, bucket.tokens + seconds * perMinute_ / 60.0);
  bucket.at = now;
}

bool TokenBuckets::Take(const std::string& client, Clock::time_point now, int& retryAfter) {
  std::lock_guard lock(mutex_);
  // Full buckets hold nothing worth keeping: forget them before the table grows large.
  if (buckets_.size() > 65536) {
    for (auto it = buckets_.begin(); it != buckets_.end();) {
      Refill(it->second, now);
      it = it->second.tokens >= perMinute_ ? buckets_.erase(it) : std::next(it);
    }
  }
  auto [it, added] = buckets_.try_emplace(client, Bucket{double(perMinute_), now});
  Bucket& bucket = it->second;
  if (!added) Refill(bucket, now);
  if (bucket.tokens >= 1.0) {
    bucket.tokens -= 1.0;
    return true;
  }
  retryAfter = static_cast<int>(std::ceil((1.0 - bucket.tokens) * 60.0 / perMinute_));
  retryAfter = std::max(retryAfter, 1);
  return false;
}

bool ConnectionCounts::Room(const std::string& address) {
  std::lock_guard lock(mutex_);
  auto it = counts_.find(address);
  return it == counts_.end() || it->second < perAddress_;
}

void ConnectionCounts::Opened(const std::string& address) {
  std::lock_guard lock(mutex_);
  ++counts_[address];
}

void ConnectionCounts::Closed(const std::string& address) {
  std::lock_guard lock(mutex_);
  auto it = counts_.find(address);
  if (it != counts_.end() && --it->second <= 0) counts_.erase(it);
}

}  // namespace skelvar::board
