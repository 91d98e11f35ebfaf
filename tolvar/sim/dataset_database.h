#pragma once
// Data sets of the device's parameters in an SQLite file. A data set is the value of every
// data-set item under a name. Saving writes the items under a new row set and then points the
// name at it, all in one transaction, so a failure leaves what was stored before untouched;
// loading reads one whole set or nothing. Each operation opens the file and closes it again,
// so no lock is held between operations.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"
#include "tolvar/applet/result.h"
#include "tolvar/sim/dd/device_data.h"

namespace tolvar::sim {

class DataSetDatabase {
 public:
  using Items = std::vector<std::pair<std::string, platform::com::Variant>>;

  // The name a set gets when nobody chose one.
  static constexpr const char* kDefaultSet = "default";

  // $XDG_DATA_HOME/velumor/datasets.sqlite, else ~/.local/share/velumor/datasets.sqlite.
  static std::filesystem::path defaultPath();

  explicit DataSetDatabase(std::filesystem::path path);
  const std::filesystem::path& path() const { return path_; }
  // How long an operation waits for another program's lock before it gives up.
  void setBusyTimeoutMs(int ms) { busyTimeoutMs_ = ms; }

  // A failure carries a message for the user naming the set, the file and why (reason
  // Database, or NotFound for a set that is not there); nothing stored is lost then.
  Status save(const std::string& setName, const std::string& device, const Items& items);
  // With a description, every entry of an item it has must fit that item (kind, range,
  // choices, length); a set with one that does not is damaged and nothing of it is returned.
  // A set without entries is NotFound: it holds nothing that could be loaded.
  Result<Items> load(const std::string& setName, const dd::DeviceData* description = nullptr);
  Result<std::vector<std::string>> list();
  Result<bool> exists(const std::string& setName);

 private:
  std::filesystem::path path_;
  int busyTimeoutMs_ = 250;
};

}  // namespace tolvar::sim
