// The player's last run, kept as a replay script beside the records so that it can be played
// again (folder/last-run): replaced whole each time a run ends, never left half written.
#pragma once

#include <string>
#include <string_view>

#include "records/kept_file.h"

namespace skelvar::records {

class LastRunFile {
 public:
  LastRunFile(std::string folder, WarningSink warn);
  // Replaces the kept run with this script. A folder that cannot be written is reported once, and
  // from then on nothing is tried.
  void Keep(std::string_view script);
  std::string path() const { return folder_ + "/" + Name; }

 private:
  static constexpr const char* Name = "last-run";
  std::string folder_;
  WarningSink warn_;
  bool disabled_ = false;
};

}  // namespace skelvar::records
