#include "bench/bench_session.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/com/variant.h"
#include "platform/ui/controls.h"
#include "platform/ui/event_loop.h"
#include "tolvar/controls/register.h"
#include "tolvar/sim/dd/device_data.h"
#include "tolvar/sim/item_store.h"

namespace velumor::bench {

BenchSession::BenchSession() {
  tolvar::controls::registerHostControls();
  char pattern[] = "/tmp/velumor-bench-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot make a scratch folder in /tmp");
  dbDir_ = pattern;
  tolvar::sim::HostOptions options;
  options.databaseFile = std::filesystem::path(dbDir_) / "bench.sqlite";
  if (const char* registry = std::getenv("VELUMOR_REGISTRY")) options.registryFile = registry;
  host_ = std::make_unique<tolvar::sim::HostSession>(options);
}

BenchSession::~BenchSession() {
  host_.reset();
  std::error_code ec;
  std::filesystem::remove_all(dbDir_, ec);
}

platform::com::Ptr<tolvar::View> BenchSession::open(const std::string& progId) {
  auto view = host_->openView(progId);
  if (!view) throw std::runtime_error("cannot open " + progId + ": " + view.text());
  return view.value();
}

void BenchSession::close(const platform::com::Ptr<tolvar::View>& view) {
  host_->destroyView(view);
}

platform::ui::Form* BenchSession::windowOf(const platform::com::Ptr<tolvar::View>& view) {
  auto* owner = dynamic_cast<platform::ui::WindowOwner*>(view.get());
  return owner ? owner->ownedWindow() : nullptr;
}

void BenchSession::set(const std::string& item, double value) {
  if (const auto set = host_->setItem(item, platform::com::Variant(value), false); !set)
    throw std::runtime_error("cannot set " + item + ": " + set.text());
}

std::vector<std::string> BenchSession::numericVariables() const {
  using tolvar::dd::ValueType;
  std::vector<std::string> names;
  for (const auto& v : host_->deviceData().variables) {
    if (v.type == ValueType::Float || v.type == ValueType::Double || v.type == ValueType::Int)
      names.push_back(v.name);
  }
  return names;
}

std::vector<std::string> BenchSession::registeredNumericVariables() const {
  std::vector<std::string> names;
  for (const std::string& name : numericVariables())
    if (host_->store().isAdvised(host_->store().indexOf(name))) names.push_back(name);
  return names;
}

int64_t residentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
}

bool notificationsPending(platform::ui::Form& window) {
  if (!window.isLoaded()) return false;
  return window.timer("NotifyTimer").isEnabled();
}

std::vector<platform::ui::TimerControl*> notifyTimers(const std::vector<platform::ui::Form*>& windows) {
  std::vector<platform::ui::TimerControl*> timers;
  for (platform::ui::Form* w : windows)
    if (w && w->isLoaded()) timers.push_back(&w->timer("NotifyTimer"));
  return timers;
}

bool anyRunning(const std::vector<platform::ui::TimerControl*>& timers) {
  return platform::ui::EventLoop::instance().armedCount() > 0 &&
         std::any_of(timers.begin(), timers.end(),
                     [](platform::ui::TimerControl* t) { return t->isEnabled(); });
}

}  // namespace velumor::bench
