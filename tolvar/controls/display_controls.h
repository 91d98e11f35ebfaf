#pragma once
// The host's display controls: needle instrument, bar graph, digital display and the plotter
// with four curves. A window configures each channel by its role numbers, then hands over
// the item manager with ConnectItems; from then on the control follows the value, unit and
// scale items itself until DisconnectItems.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tolvar/applet/control_ids.h"
#include "tolvar/controls/host_control.h"
#include "tolvar/controls/scale.h"

namespace tolvar::controls {

// One channel (the plotter: one curve) as the window configures it and as the host shows it.
struct DisplayChannel {
  std::string caption;
  bool flag = false;
  int16_t itemMode = 0;
  std::string unitItem;
  std::string valueItem;
  bool classFlag = false;
  std::string scaleMaxItem;
  std::string scaleMinItem;  // an item name, or a number such as "0" taken literally

  double value;  // NaN when there is none
  std::string valueText;
  std::string unitText;
  double lo, hi;  // the scale limits, NaN where unknown

  // The plotter's samples, oldest first. Each holds until the next; a NaN value ends the
  // line (no number, or the device was not measuring from then on).
  struct Sample {
    int64_t ms;
    double value;
    uint64_t seq;  // the plotter's count of samples taken, for drawing only what is new
  };
  std::deque<Sample> history;
  std::string historyKey;     // the value item and scale the history was taken with
  uint64_t historyStart = 0;  // the sample count when this history began

  ItemWatch valueWatch, unitWatch, maxWatch, minWatch;

  DisplayChannel();
  ScaleReading reading() const { return readScale(value, lo, hi); }
};

class DisplayControl : public HostControl {
 public:
  ~DisplayControl() override;

  bool connected() const { return connected_; }
  int32_t userLevel() const { return userLevel_; }
  int32_t countryCode() const { return countryCode_; }
  // Channel 0 of a single-channel control; curve n at n - 1 on the plotter.
  const DisplayChannel& channel(size_t i) const { return *channels_.at(i); }
  size_t channelCount() const { return channels_.size(); }

  void connectItems(const Ptr<AppletItemManager>& aim, int32_t userLevel, int32_t countryCode);
  void disconnectItems();

 protected:
  // `indexed`: every role property takes the channel number 1..count as its first argument.
  DisplayControl(std::string kind, const tolvar::dispid::DisplayRoleIds& roles, size_t count, bool indexed);
  void dropHost() override { disconnectItems(); }
  // A reading was taken for channel `i` (the plotter samples it).
  virtual void valueRead(DisplayChannel& ch) {}
  // The channels are about to be connected (again): their first readings follow. Then they
  // were connected, or are about to be disconnected.
  virtual void channelsConnecting() {}
  virtual void channelsConnected() {}
  virtual void channelsDisconnecting() {}
  const HostLink& link() const { return link_; }
  // The caption shown: the channel's, else the design caption.
  std::string shownCaption(const DisplayChannel& ch, std::string_view designCaption) const;

  std::vector<std::unique_ptr<DisplayChannel>> channels_;

 private:
  DisplayChannel& channelAt(std::span<Variant> args);
  void addRole(int32_t id, std::string name, std::function<Variant(DisplayChannel&)> get,
               std::function<void(DisplayChannel&, const Variant&)> put, bool itemName);
  void connectChannel(DisplayChannel& ch);
  void refresh(DisplayChannel& ch);
  double scaleLimit(const std::string& name, const ItemWatch& watch) const;

  bool indexed_;
  bool connected_ = false;
  int32_t userLevel_ = 0;
  int32_t countryCode_ = 0;
  HostLink link_;
};

// Tolvar4Needle. Snapshot: "Caption", "Value", "Min", "Max", "ValueText", "UnitText",
// "OverRange", "UnderRange" (and "RangeValid").
class NeedleControl final : public DisplayControl {
 public:
  NeedleControl();
  std::vector<std::pair<std::string, Variant>> snapshot() const override;
};

// Tolvar4BarGraph: the same data as the needle.
class BarGraphControl final : public DisplayControl {
 public:
  BarGraphControl();
  std::vector<std::pair<std::string, Variant>> snapshot() const override;
};

// Tolvar4Digital. Snapshot: "Caption", "Text" (the value fitted to the format's '#' places),
// "UnitText" (cut to the format's 'U' places).
class DigitalControl final : public DisplayControl {
 public:
  DigitalControl();
  std::vector<std::pair<std::string, Variant>> snapshot() const override;
  std::string formattedText() const;
  std::string formattedUnit() const;

 private:
  std::string digitalFormat_;
};

// Tolvar4Plotter: four curves. Snapshot: "Curves" (a JSON array with one object per curve
// that has a value item: "curve", "caption", "unit", "min", "max", "live" (the newest value
// still holds), "points" [[tMs, value]...]), "TimeSpanMs", "Caption".
//
// A sample is taken whenever the value changes and holds until the next one, so a constant
// value keeps its line; while the host is not connected to the device the curve has a gap.
class PlotterControl final : public DisplayControl {
 public:
  static constexpr size_t kCurves = 4;
  static constexpr size_t kHistory = 600;  // samples kept per curve
  static constexpr int32_t kDefaultTimeSpanMs = 60000;

  PlotterControl();
  ~PlotterControl() override;
  std::vector<std::pair<std::string, Variant>> snapshot() const override;
  // The curves with only the samples taken after `mark` (all of a curve that began anew);
  // `mark` moves on to the newest sample.
  bool samplesSince(uint64_t& mark, platform::ui::PlotSamples& out) const override;
  // The same as JSON: {"timeSpanMs", "curves": [...]}, each curve as in "Curves" with
  // "restart" where a mark was given.
  std::string drawingSince(uint64_t& mark) const;
  // The time the plot shows: "TimeSpan" in seconds when it is a positive number, else the default.
  int32_t timeSpanMs() const;
  std::string curvesJson() const;
  // Whether the device is being measured (the host is connected, or tells nothing of it).
  bool measuring() const { return measuring_; }

 protected:
  void valueRead(DisplayChannel& ch) override;
  void channelsConnecting() override;
  void channelsConnected() override;
  void channelsDisconnecting() override;

 private:
  void addSample(DisplayChannel& ch, double value);
  void connectionChanged();
  bool deviceConnected() const;
  bool live(const DisplayChannel& ch) const;
  std::string curvesJsonSince(uint64_t mark) const;
  // Calls `f(i, channel, reading, whole, first)` for each curve shown: `whole` when its samples
  // began after `mark` (or all are asked for), `first` its first sample after `mark`.
  template <class F>
  void forEachCurveSince(uint64_t mark, F f) const;

  std::string timeSpan_;
  std::string caption_;
  uint64_t samples_ = 0;
  bool measuring_ = true;
  ItemWatch connectionWatch_;
};

}  // namespace tolvar::controls
