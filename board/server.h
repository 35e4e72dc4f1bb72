// The board's HTTP service on libmicrohttpd: its API, the page's files, and the limits every
// request meets on its way in.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "board/options.h"
#include "board/store.h"

namespace skelvar::board {

using StoreOpener = std::function<std::unique_ptr<Store>()>;

class Server {
 public:
  // Starts listening; throws std::runtime_error with one line when it cannot. `open` gives each
  // thread that touches the database a connection of its own.
  Server(const Options& options, StoreOpener open);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  uint16_t Port() const;
  // Stops taking connections, answers every run already taken (committed first), then closes.
  void Stop(std::chrono::seconds bound);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace skelvar::board
