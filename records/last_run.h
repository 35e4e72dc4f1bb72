// The player's last run, kept as a replay script beside the records so that it can be played
// again (folder/last-run): replaced whole each time a run ends, never left half written. The file
// is written on a thread of its own, so that a run's end never holds up a frame.
#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "records/kept_file.h"

namespace skelvar::records {

class LastRunFile {
 public:
  // The warnings come from the writer's thread.
  LastRunFile(std::string folder, WarningSink warn);
  // Writes what is still waiting before it returns.
  ~LastRunFile();
  LastRunFile(const LastRunFile&) = delete;
  LastRunFile& operator=(const LastRunFile&) = delete;

  // Hands the script over and returns at once; the writer replaces the kept run with it, and with
  // only the latest when several wait. A folder that cannot be written is reported once, and from
  // then on nothing is tried.
  void Keep(std::string script);
  std::string path() const { return folder_ + "/" + Name; }

 private:
  static constexpr const char* Name = "last-run";
  void Write(const std::string& script);
  void Writer();

  const std::string folder_;
  WarningSink warn_;
  bool disabled_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<std::string> waiting_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace skelvar::records
