// One of the player's kept files (the records, the settings) in its folder: read at start,
// rewritten under the folder's lock after reading it again, and never lost. A file that cannot be
// read or understood is renamed aside with a ".damaged" suffix and reported; a folder that cannot
// be written is reported once, and from then on nothing is kept.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "records/key_value_text.h"

namespace skelvar::records {

// Where one warning line goes (the program's name is added by the sink).
using WarningSink = std::function<void(const std::string&)>;

class KeptFile {
 public:
  // Checks the entries beyond their form: false with `why` makes the file damaged.
  using Check = std::function<bool(const KeyValueText&, std::string* why)>;

  // An empty folder means there is nowhere to keep anything (no home folder): reported once.
  KeptFile(std::string folder, std::string name, Check check, WarningSink warn);

  // The file's entries; nothing when there is no file yet or it was damaged (then kept aside).
  std::optional<KeyValueText> Load();

  // Reads the file again, lets `change` edit its entries and writes them back. Returns the
  // entries as written, or nothing when the folder cannot be written.
  std::optional<KeyValueText> Update(const std::function<void(KeyValueText&)>& change);

  const std::string& path() const { return path_; }
  // Whether the folder failed once, so that nothing more is tried.
  bool disabled() const { return disabled_; }

 private:
  std::optional<KeyValueText> Read();
  void KeepAside(const std::string& why);
  void Disable(const std::string& why);

  std::string folder_;
  std::string name_;
  std::string path_;
  Check check_;
  WarningSink warn_;
  bool disabled_ = false;
};

// $XDG_STATE_HOME/skelvar or ~/.local/state/skelvar, and $XDG_CONFIG_HOME/skelvar or
// ~/.config/skelvar; empty when neither the variable nor HOME is set to an absolute path.
std::string RecordsFolder();
std::string SettingsFolder();

}  // namespace skelvar::records
