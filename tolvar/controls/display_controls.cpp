#include "tolvar/controls/display_controls.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/com/error.h"
#include "platform/com/text.h"
#include "platform/ui/event_loop.h"
#include "tolvar/controls/form_ref.h"

namespace tolvar::controls {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A scale limit given as a number rather than an item name ("0").
bool isLiteral(const std::string& name, double* out = nullptr) {
  try {
    auto n = platform::com::parseNumber(name);
    if (n && out) *out = *n;
    return n.has_value();
  } catch (const platform::com::RuntimeError&) {
    return false;  // a number too large for a Double is no usable limit
  }
}

int32_t optionalLong(const Variant& v) {
  return v.isEmpty() || v.isMissing() ? 0 : v.toLong();
}

void stopWatching(DisplayChannel& ch) {
  ch.valueWatch.reset();
  ch.unitWatch.reset();
  ch.maxWatch.reset();
  ch.minWatch.reset();
}

}  // namespace

DisplayChannel::DisplayChannel() : value(kNaN), lo(kNaN), hi(kNaN) {}

DisplayControl::DisplayControl(std::string kind, const tolvar::dispid::DisplayRoleIds& roles, size_t count,
                               bool indexed)
    : HostControl(std::move(kind)), indexed_(indexed) {
  for (size_t i = 0; i < count; ++i) channels_.push_back(std::make_unique<DisplayChannel>());

  auto text = [](std::string DisplayChannel::*field) {
    return std::pair{[field](DisplayChannel& c) { return Variant(c.*field); },
                     [field](DisplayChannel& c, const Variant& v) { c.*field = v.toString(); }};
  };
  auto flag = [](bool DisplayChannel::*field) {
    return std::pair{[field](DisplayChannel& c) { return Variant(c.*field); },
                     [field](DisplayChannel& c, const Variant& v) { c.*field = v.toBool(); }};
  };
  auto add = [this](int32_t id, std::string name, auto accessors, bool itemName) {
    addRole(id, std::move(name), accessors.first, accessors.second, itemName);
  };
  add(roles.ChannelCaption, "ChannelCaption", text(&DisplayChannel::caption), false);
  add(roles.ChannelFlag, "ChannelFlag", flag(&DisplayChannel::flag), false);
  addRole(
      roles.ItemMode, "ItemMode", [](DisplayChannel& c) { return Variant(c.itemMode); },
      [](DisplayChannel& c, const Variant& v) { c.itemMode = v.toInteger(); }, false);
  add(roles.UnitItemName, "UnitItemName", text(&DisplayChannel::unitItem), true);
  add(roles.ValueItemName, "ValueItemName", text(&DisplayChannel::valueItem), true);
  add(roles.ClassFlag, "ClassFlag", flag(&DisplayChannel::classFlag), false);
  add(roles.ScaleMaxItemName, "ScaleMaxItemName", text(&DisplayChannel::scaleMaxItem), true);
  add(roles.ScaleMinItemName, "ScaleMinItemName", text(&DisplayChannel::scaleMinItem), true);

  Members& members = ownMembers();
  members.table.add(
      roles.ConnectItems, "ConnectItems", 3,
      [this](HostControl&, InvokeKind, std::span<Variant> args) {
        // User level and country code come by reference; the control only reads them.
        connectItems(itemManagerArgument(args[0]), optionalLong(args[1]), optionalLong(args[2]));
        return Variant();
      },
      true);
  members.table.add(
      roles.DisconnectItems, "DisconnectItems", 0,
      [this](HostControl&, InvokeKind, std::span<Variant>) {
        disconnectItems();
        return Variant();
      },
      true);
  members.addSiteVisible();
  members.addCommonDesignProperties();
}

DisplayControl::~DisplayControl() {
  // The watches end while the host is still held.
  for (const auto& ch : channels_) stopWatching(*ch);
}

DisplayChannel& DisplayControl::channelAt(std::span<Variant> args) {
  if (!indexed_) return *channels_.front();
  const int32_t n = args[0].toLong();
  if (n < 1 || static_cast<size_t>(n) > channels_.size())
    platform::com::raise(kInvalidPropertyArrayIndex, "Invalid property array index " + std::to_string(n));
  return *channels_[static_cast<size_t>(n) - 1];
}

void DisplayControl::addRole(int32_t id, std::string name, std::function<Variant(DisplayChannel&)> get,
                             std::function<void(DisplayChannel&, const Variant&)> put, bool itemName) {
  if (id == 0) return;  // the control has no such role
  auto after = [this, itemName] {
    if (itemName && connected_) {
      // A changed item name takes effect at once while the control is connected.
      dropCallbacks();
      channelsConnecting();
      for (const auto& ch : channels_) connectChannel(*ch);
      channelsConnected();
    }
    changed();
  };
  if (indexed_) {
    ownMembers().table.addIndexedProperty(
        id, std::move(name), 1,
        [this, get](HostControl&, std::span<Variant> args) { return get(channelAt(args)); },
        [this, put, after](HostControl&, std::span<Variant> args, const Variant& v) {
          put(channelAt(args), v);
          after();
        });
  } else {
    ownMembers().table.addProperty(
        id, std::move(name), [this, get](HostControl&) { return get(*channels_.front()); },
        [this, put, after](HostControl&, const Variant& v) {
          put(*channels_.front(), v);
          after();
        });
  }
}

void DisplayControl::connectItems(const Ptr<AppletItemManager>& aim, int32_t userLevel, int32_t countryCode) {
  HostLink target = linkTo(aim);
  disconnectItems();
  link_ = std::move(target);
  connected_ = true;
  userLevel_ = userLevel;
  countryCode_ = countryCode;
  channelsConnecting();
  for (const auto& ch : channels_) connectChannel(*ch);
  channelsConnected();
  changed();
}

void DisplayControl::disconnectItems() {
  if (connected_) channelsDisconnecting();
  for (const auto& ch : channels_) stopWatching(*ch);
  dropCallbacks();
  link_ = {};
  connected_ = false;
}

void DisplayControl::connectChannel(DisplayChannel& ch) {
  stopWatching(ch);
  HostItemAccess* access = link_.access;
  auto onChange = [this, &ch] { return guarded([this, &ch] { refresh(ch); }); };
  ch.valueWatch.start(access, ch.valueItem, onChange());
  ch.unitWatch.start(access, ch.unitItem, onChange());
  if (!isLiteral(ch.scaleMaxItem)) ch.maxWatch.start(access, ch.scaleMaxItem, onChange());
  if (!isLiteral(ch.scaleMinItem)) ch.minWatch.start(access, ch.scaleMinItem, onChange());
  // Another variable, or the same item assigned another measured variable with its own
  // scale: the former samples do not belong on this curve.
  std::string key = ch.valueItem + '\n' + ch.scaleMinItem + '\n' + ch.scaleMaxItem + '\n' + ch.caption;
  if (ch.historyKey != key) {
    ch.history.clear();
    ch.historyKey = std::move(key);
    ch.historyStart = 0;  // the plotter numbers it when it samples
  }
  refresh(ch);
}

double DisplayControl::scaleLimit(const std::string& name, const ItemWatch& watch) const {
  double v = kNaN;
  if (name.empty()) return kNaN;
  if (isLiteral(name, &v)) return v;
  return watch.active() ? link_.access->itemNumber(name) : kNaN;
}

void DisplayControl::refresh(DisplayChannel& ch) {
  HostItemAccess* access = link_.access;
  if (!access) return;
  double v = kNaN;
  std::string valueText, unitText;
  if (ch.valueWatch.active()) {
    v = access->itemNumber(ch.valueItem);
    valueText = access->itemText(ch.valueItem);
  }
  if (ch.unitWatch.active())
    unitText = access->itemText(ch.unitItem);
  else if (ch.valueWatch.active() && ch.unitItem.empty())
    unitText = access->describeItem(ch.valueItem).unitText;
  ch.value = v;
  ch.valueText = std::move(valueText);
  ch.unitText = std::move(unitText);
  ch.lo = scaleLimit(ch.scaleMinItem, ch.minWatch);
  ch.hi = scaleLimit(ch.scaleMaxItem, ch.maxWatch);
  valueRead(ch);
  changed();
}

std::string DisplayControl::shownCaption(const DisplayChannel& ch, std::string_view designCaption) const {
  if (!ch.caption.empty()) return ch.caption;
  return designValue(designCaption).toString();
}

// ------------------------------------------------------------------ needle, bar graph

namespace {

std::vector<std::pair<std::string, Variant>> gaugeSnapshot(const DisplayChannel& ch, std::string caption) {
  const ScaleReading r = ch.reading();
  return {
      {"Caption", Variant(std::move(caption))},
      {"Value", Variant(r.value)},
      {"Min", Variant(r.min)},
      {"Max", Variant(r.max)},
      {"ValueText", Variant(ch.valueText)},
      {"UnitText", Variant(ch.unitText)},
      {"OverRange", Variant(r.overRange)},
      {"UnderRange", Variant(r.underRange)},
      {"RangeValid", Variant(r.rangeValid)},
  };
}

}  // namespace

NeedleControl::NeedleControl() : DisplayControl("Tolvar4Needle", tolvar::dispid::Needle, 1, false) {
  ownMembers().addDesignProperty("needlecaption", Variant(""));
}

std::vector<std::pair<std::string, Variant>> NeedleControl::snapshot() const {
  auto out = gaugeSnapshot(channel(0), shownCaption(channel(0), "needlecaption"));
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

BarGraphControl::BarGraphControl() : DisplayControl("Tolvar4BarGraph", tolvar::dispid::BarGraph, 1, false) {
  ownMembers().addDesignProperty("bargraphcaption", Variant(""));
  ownMembers().addDesignProperty("zerovalue", Variant(""));
}

std::vector<std::pair<std::string, Variant>> BarGraphControl::snapshot() const {
  auto out = gaugeSnapshot(channel(0), shownCaption(channel(0), "bargraphcaption"));
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

// ----------------------------------------------------------------------------- digital

DigitalControl::DigitalControl() : DisplayControl("Tolvar4Digital", tolvar::dispid::Digital, 1, false) {
  Members& members = ownMembers();
  members.addString(tolvar::dispid::Digital.DigitalFormat, "DigitalFormat", &DigitalControl::digitalFormat_);
  // The design stores the same format under its own name.
  members.addString(members.privateId(), "formatvalue", &DigitalControl::digitalFormat_);
  members.addDesignProperty("digitalcaption", Variant(""));
}

std::string DigitalControl::formattedText() const {
  const auto width = static_cast<size_t>(std::count(digitalFormat_.begin(), digitalFormat_.end(), '#'));
  return fitNumber(channel(0).valueText, channel(0).value, width);
}

std::string DigitalControl::formattedUnit() const {
  const auto width = static_cast<size_t>(std::count(digitalFormat_.begin(), digitalFormat_.end(), 'U'));
  return width == 0 ? channel(0).unitText
                    : std::string(platform::com::firstCodePoints(channel(0).unitText, width));
}

std::vector<std::pair<std::string, Variant>> DigitalControl::snapshot() const {
  std::vector<std::pair<std::string, Variant>> out{
      {"Caption", Variant(shownCaption(channel(0), "digitalcaption"))},
      {"Text", Variant(formattedText())},
      {"UnitText", Variant(formattedUnit())},
      {"DigitalFormat", Variant(digitalFormat_)},
  };
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

// ----------------------------------------------------------------------------- plotter

PlotterControl::PlotterControl() : DisplayControl("Tolvar4Plotter", tolvar::dispid::Plotter, kCurves, true) {
  Members& members = ownMembers();
  members.addString(0x68030011, "TimeSpan", &PlotterControl::timeSpan_);
  members.addString(0x6803000F, "PlotterCaption",
                    &PlotterControl::caption_);  // "plottercaption" in the designs
  for (size_t i = 1; i <= kCurves; ++i) {
    members.addDesignProperty("cycletimevalue_" + std::to_string(i), Variant(int16_t{3}));
    members.addDesignProperty("objectcaptionid_" + std::to_string(i), Variant(int16_t{0}));
  }
}

PlotterControl::~PlotterControl() {
  connectionWatch_.reset();
}

int32_t PlotterControl::timeSpanMs() const {
  double seconds = 0;
  if (!isLiteral(timeSpan_, &seconds) || !(seconds > 0)) return kDefaultTimeSpanMs;
  // A day is more than a 600-sample history can fill; longer spans are cut there.
  return static_cast<int32_t>(std::min(seconds, 86400.0) * 1000.0);
}

void PlotterControl::addSample(DisplayChannel& ch, double value) {
  if (ch.historyStart == 0) ch.historyStart = ++samples_;
  const int64_t now = platform::ui::EventLoop::instance().now();
  // A value taken the instant its line ended (connected again at once) closes the gap.
  if (!ch.history.empty() && ch.history.back().ms == now && std::isnan(ch.history.back().value)) {
    ch.history.pop_back();
    if (!ch.history.empty() && ch.history.back().value == value) return;  // the line goes on
  }
  ch.history.push_back({now, value, ++samples_});
  while (ch.history.size() > kHistory) ch.history.pop_front();
}

void PlotterControl::valueRead(DisplayChannel& ch) {
  if (!ch.valueWatch.active() || !measuring_) return;
  if (!ch.history.empty()) {
    const double last = ch.history.back().value;
    if (last == ch.value || (std::isnan(last) && std::isnan(ch.value))) return;  // it still holds
  }
  addSample(ch, ch.value);
}

void PlotterControl::channelsConnecting() {
  connectionWatch_.reset();
  // The host's connection to the device decides whether anything is measured; a host without
  // that item is taken as measuring. It is known before the first readings come: a value read
  // while the device is offline is none it measured.
  if (link().access)
    connectionWatch_.start(link().access, "&&private&&connect", guarded([this] { connectionChanged(); }));
  measuring_ = deviceConnected();
}

void PlotterControl::channelsConnected() {
  connectionChanged();
}

bool PlotterControl::deviceConnected() const {
  return !connectionWatch_.active() ||
         link().access->itemNumber("&&private&&connect") == static_cast<double>(tolvar::Connected);
}

void PlotterControl::channelsDisconnecting() {
  connectionWatch_.reset();
  // The newest values hold no longer: the curves end here.
  for (const auto& ch : channels_)
    if (ch->valueWatch.active() && !ch->history.empty() && !std::isnan(ch->history.back().value))
      addSample(*ch, kNaN);
}

void PlotterControl::connectionChanged() {
  const bool was = measuring_;
  measuring_ = deviceConnected();
  for (const auto& ch : channels_) {
    if (!ch->valueWatch.active()) continue;
    if (!measuring_ && was) {
      if (!ch->history.empty() && !std::isnan(ch->history.back().value)) addSample(*ch, kNaN);
    } else if (measuring_) {
      valueRead(*ch);
    }
  }
  changed();
}

bool PlotterControl::live(const DisplayChannel& ch) const {
  return connected() && measuring_ && ch.valueWatch.active() && !ch.history.empty() &&
         !std::isnan(ch.history.back().value);
}

template <class F>
void PlotterControl::forEachCurveSince(uint64_t mark, F f) const {
  for (size_t i = 0; i < channelCount(); ++i) {
    const DisplayChannel& ch = channel(i);
    if (ch.valueItem.empty() && ch.history.empty()) continue;
    // A curve that began after the mark is sent whole, and says so.
    const bool whole = mark == 0 || ch.historyStart > mark || ch.historyStart == 0;
    auto from = ch.history.begin();
    if (!whole)
      from = std::partition_point(ch.history.begin(), ch.history.end(),
                                  [mark](const DisplayChannel::Sample& s) { return s.seq <= mark; });
    f(i, ch, ch.reading(), whole, from);
  }
}

std::string PlotterControl::curvesJsonSince(uint64_t mark) const {
  nlohmann::json curves = nlohmann::json::array();
  forEachCurveSince(
      mark, [&](size_t i, const DisplayChannel& ch, const ScaleReading& r, bool whole, auto from) {
        nlohmann::json points = nlohmann::json::array();
        for (auto it = from; it != ch.history.end(); ++it)
          points.push_back({it->ms, it->value});  // NaN: null
        nlohmann::json curve = {
            {"curve", i + 1}, {"caption", ch.caption}, {"unit", ch.unitText},        {"min", r.min},
            {"max", r.max},   {"live", live(ch)},      {"points", std::move(points)}};
        if (mark != 0) curve["restart"] = whole;
        curves.push_back(std::move(curve));
      });
  return curves.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool PlotterControl::samplesSince(uint64_t& mark, platform::ui::PlotSamples& out) const {
  out.timeSpanMs = timeSpanMs();
  out.curves.clear();
  forEachCurveSince(mark,
                    [&](size_t i, const DisplayChannel& ch, const ScaleReading& r, bool whole, auto from) {
                      platform::ui::PlotSamples::Curve& c = out.curves.emplace_back();
                      c.number = static_cast<int32_t>(i + 1);
                      c.caption = ch.caption;
                      c.unit = ch.unitText;
                      c.min = r.min;
                      c.max = r.max;
                      c.live = live(ch);
                      c.restart = whole;
                      c.points.reserve(static_cast<size_t>(std::distance(from, ch.history.end())));
                      for (auto it = from; it != ch.history.end(); ++it)
                        c.points.emplace_back(static_cast<double>(it->ms), it->value);
                    });
  mark = std::max<uint64_t>(samples_, 1);
  return true;
}

std::string PlotterControl::curvesJson() const {
  return curvesJsonSince(0);
}

std::string PlotterControl::drawingSince(uint64_t& mark) const {
  std::string out =
      "{\"timeSpanMs\":" + std::to_string(timeSpanMs()) + ",\"curves\":" + curvesJsonSince(mark) + "}";
  mark = std::max<uint64_t>(samples_, 1);
  return out;
}

std::vector<std::pair<std::string, Variant>> PlotterControl::snapshot() const {
  std::vector<std::pair<std::string, Variant>> out{
      {"Curves", Variant(curvesJson())},
      {"TimeSpanMs", Variant(timeSpanMs())},
      {"Caption", Variant(caption_)},
  };
  for (auto& p : designSnapshot()) out.push_back(std::move(p));
  return out;
}

}  // namespace tolvar::controls
