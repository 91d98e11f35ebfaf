// The decoding of the status octets of both device variants into rows and tab icons.
#include "velumor/diag_view/diag_status.h"

namespace velumor::diag_view {

using platform::com::ByteArray;

namespace {

using G = DiagGroup;

std::optional<uint8_t> octet(const ByteArray& a, int32_t n) {
  if (a.data.empty() || n < a.lowerBound || n > a.upperBound()) return std::nullopt;
  return a.data[static_cast<size_t>(n - a.lowerBound)];
}

// Octets a decoding reads, all taken before anything is decided so that a missing one
// stops the decoding before its first step.
template <size_t N>
std::optional<std::array<uint8_t, N>> octets(
    const std::array<std::pair<const ByteArray*, int32_t>, N>& wanted) {
  std::array<uint8_t, N> out{};
  for (size_t i = 0; i < N; ++i) {
    const auto v = octet(*wanted[i].first, wanted[i].second);
    if (!v) return std::nullopt;
    out[i] = *v;
  }
  return out;
}

uint8_t errorRow(uint8_t octet, uint8_t mask) {
  return (octet & mask) ? DiagYes : DiagNo;
}
uint8_t warningRow(uint8_t octet, uint8_t mask) {
  return (octet & mask) ? DiagWarning : DiagNo;
}

class Steps {
 public:
  void tag(G g, bool present) {
    s_.push_back({DiagStep::Kind::TabTag, g, -1, present ? uint8_t{1} : uint8_t{0}});
  }
  void image(G g, uint8_t image) { s_.push_back({DiagStep::Kind::TabImage, g, -1, image}); }
  void selection() { s_.push_back({DiagStep::Kind::TabSelection, G::Device, -1, 0}); }
  void draw(G g, int row, uint8_t value) {
    s_.push_back({DiagStep::Kind::DrawRow, g, static_cast<int8_t>(row), value});
  }
  void show(G g, int row) { s_.push_back({DiagStep::Kind::ShowRow, g, static_cast<int8_t>(row), 0}); }
  void hide(G g, int row) { s_.push_back({DiagStep::Kind::HideRow, g, static_cast<int8_t>(row), 0}); }
  // Off, then hidden: a row this variant lacks.
  void offAndHide(G g, int row) {
    draw(g, row, DiagOff);
    hide(g, row);
  }
  DiagSteps take() { return std::move(s_); }

 private:
  DiagSteps s_;
};

uint8_t errorIcon(bool error) {
  return error ? DiagImageError : DiagImageOk;
}
// Error bits first; the warning bits count only when no error bit is set.
uint8_t mixedIcon(bool error, bool warning) {
  return error ? DiagImageError : (warning ? DiagImageWarning : DiagImageOk);
}

// Variant 1's icons that combine the error octets with the warning octets.
uint8_t a10MemoryIcon(uint8_t a0, uint8_t c17) {
  return mixedIcon((a0 & 0x03) != 0, (c17 & 0x07) != 0);
}
uint8_t a10ValueIcon(uint8_t a1, uint8_t c16) {
  return mixedIcon((a1 & 0x0F) != 0, (c16 & 0x80) != 0);
}
uint8_t a10ConfigIcon(uint8_t b14, uint8_t c17) {
  return ((b14 & 0x01) == 0 && (c17 & 0x08) == 0) ? DiagImageOk : DiagImageWarning;
}

}  // namespace

std::optional<DiagSteps> decodeErrorOctets(const StatusOctets& o) {
  const auto v = octets<3>({{{&o.ErrorOctets, 0}, {&o.ErrorOctets, 1}, {&o.ErrorOctets, 2}}});
  if (!v) return std::nullopt;
  const auto [a0, a1, a2] = *v;
  Steps s;
  s.image(G::Memory, errorIcon((a0 & 0x03) != 0));
  s.draw(G::Memory, 0, errorRow(a0, 0x01));
  s.draw(G::Memory, 1, errorRow(a0, 0x02));

  s.image(G::Sensor, errorIcon((a0 & 0x3C) != 0));
  s.show(G::Sensor, 0);
  for (int r = 0; r < 4; ++r) s.draw(G::Sensor, r, errorRow(a0, static_cast<uint8_t>(0x04 << r)));

  s.image(G::Value, errorIcon((a0 & 0xC0) != 0 || (a1 & 0x03) != 0));
  s.draw(G::Value, 0, errorRow(a0, 0x40));
  s.draw(G::Value, 1, errorRow(a0, 0x80));
  s.draw(G::Value, 2, errorRow(a1, 0x01));
  s.draw(G::Value, 3, errorRow(a1, 0x02));

  s.image(G::Output, errorIcon((a1 & 0xFC) != 0 || (a2 & 0x03) != 0));
  for (int r = 0; r < 6; ++r) s.draw(G::Output, r, errorRow(a1, static_cast<uint8_t>(0x04 << r)));
  s.draw(G::Output, 6, errorRow(a2, 0x01));
  s.draw(G::Output, 7, errorRow(a2, 0x02));

  s.image(G::Input, DiagImageOff);
  s.tag(G::Input, false);
  s.selection();
  s.draw(G::Input, 0, DiagOff);
  s.draw(G::Input, 1, DiagOff);
  for (int r = 4; r < 8; ++r) s.offAndHide(G::Sensor, r);
  return s.take();
}

std::optional<DiagSteps> decodeStateOctets(const StatusOctets& o) {
  const auto v = octets<1>({{{&o.StateOctets, 3}}});
  if (!v) return std::nullopt;
  const uint8_t b3 = (*v)[0];
  Steps s;
  s.image(G::Config, (b3 & 0x03) ? DiagImageWarning : DiagImageOk);
  s.draw(G::Config, 0, warningRow(b3, 0x01));
  s.draw(G::Config, 1, warningRow(b3, 0x02));

  s.image(G::Alarm, DiagImageOff);
  s.tag(G::Alarm, false);
  s.image(G::Totalizer, DiagImageOff);
  s.tag(G::Totalizer, false);
  s.selection();
  for (int r = 0; r < 5; ++r) s.draw(G::Totalizer, r, DiagOff);
  for (int r = 0; r < 6; ++r) s.draw(G::Alarm, r, DiagOff);
  s.offAndHide(G::Value, 4);
  for (int r = 2; r < 5; ++r) s.offAndHide(G::Memory, r);
  return s.take();
}

std::optional<DiagSteps> decodeA10Errors(const StatusOctets& o) {
  const auto v = octets<5>({{{&o.ErrorOctets, 0},
                             {&o.ErrorOctets, 1},
                             {&o.ErrorOctets, 2},
                             {&o.WarningOctets, 16},
                             {&o.WarningOctets, 17}}});
  if (!v) return std::nullopt;
  const auto [a0, a1, a2, c16, c17] = *v;
  Steps s;
  s.image(G::Memory, a10MemoryIcon(a0, c17));
  s.draw(G::Memory, 0, errorRow(a0, 0x01));
  s.draw(G::Memory, 1, errorRow(a0, 0x02));

  s.tag(G::Input, true);
  s.image(G::Input, errorIcon((a1 & 0x10) != 0 || (a0 & 0x08) != 0));
  s.draw(G::Input, 1, errorRow(a0, 0x08));
  s.draw(G::Input, 0, errorRow(a1, 0x10));

  s.image(G::Sensor, errorIcon((a2 & 0xE0) != 0 || (a0 & 0xF0) != 0));
  s.show(G::Sensor, 4);
  s.draw(G::Sensor, 4, errorRow(a0, 0x10));
  s.draw(G::Sensor, 1, errorRow(a0, 0x20));
  s.draw(G::Sensor, 2, errorRow(a0, 0x40));
  s.draw(G::Sensor, 3, errorRow(a0, 0x80));
  for (int r = 5; r < 8; ++r) {
    s.show(G::Sensor, r);
    s.draw(G::Sensor, r, errorRow(a2, static_cast<uint8_t>(0x20 << (r - 5))));
  }

  s.image(G::Value, a10ValueIcon(a1, c16));
  s.draw(G::Value, 1, errorRow(a1, 0x01));
  s.draw(G::Value, 0, errorRow(a1, 0x02));
  s.draw(G::Value, 2, errorRow(a1, 0x04));
  s.draw(G::Value, 3, errorRow(a1, 0x08));

  s.image(G::Output, errorIcon((a2 & 0x1F) != 0 || (a1 & 0xE0) != 0));
  for (int r = 0; r < 3; ++r) s.draw(G::Output, r, errorRow(a1, static_cast<uint8_t>(0x20 << r)));
  for (int r = 3; r < 8; ++r) s.draw(G::Output, r, errorRow(a2, static_cast<uint8_t>(0x01 << (r - 3))));

  s.offAndHide(G::Sensor, 0);
  return s.take();
}

std::optional<DiagSteps> decodeA10TState(const StatusOctets& o) {
  const auto v = octets<2>({{{&o.StateOctets, 14}, {&o.WarningOctets, 17}}});
  if (!v) return std::nullopt;
  const auto [b14, c17] = *v;
  Steps s;
  s.image(G::Config, a10ConfigIcon(b14, c17));
  s.draw(G::Config, 0, warningRow(b14, 0x01));
  return s.take();
}

std::optional<DiagSteps> decodeA10Warnings(const StatusOctets& o) {
  const auto v = octets<5>({{{&o.WarningOctets, 16},
                             {&o.WarningOctets, 17},
                             {&o.StateOctets, 14},
                             {&o.ErrorOctets, 0},
                             {&o.ErrorOctets, 1}}});
  if (!v) return std::nullopt;
  const auto [c16, c17, b14, a0, a1] = *v;
  Steps s;
  s.image(G::Config, a10ConfigIcon(b14, c17));
  s.draw(G::Config, 1, warningRow(c17, 0x08));

  s.tag(G::Alarm, true);
  s.image(G::Alarm, (c16 & 0x7E) ? DiagImageWarning : DiagImageOk);
  for (int r = 0; r < 6; ++r) s.draw(G::Alarm, r, warningRow(c16, static_cast<uint8_t>(0x02 << r)));

  s.tag(G::Totalizer, true);
  s.image(G::Totalizer, ((c17 & 0xF0) != 0 || (c16 & 0x01) != 0) ? DiagImageWarning : DiagImageOk);
  s.draw(G::Totalizer, 0, warningRow(c16, 0x01));
  for (int r = 1; r < 5; ++r) s.draw(G::Totalizer, r, warningRow(c17, static_cast<uint8_t>(0x10 << (r - 1))));

  s.image(G::Value, a10ValueIcon(a1, c16));
  s.show(G::Value, 4);
  s.draw(G::Value, 4, warningRow(c16, 0x80));

  s.image(G::Memory, a10MemoryIcon(a0, c17));
  for (int r = 2; r < 5; ++r) {
    s.show(G::Memory, r);
    s.draw(G::Memory, r, warningRow(c17, static_cast<uint8_t>(0x01 << (r - 2))));
  }
  return s.take();
}

DiagSteps fieldDeviceRows(uint8_t fieldDeviceStatus) {
  Steps s;
  // Every field device flag is a warning, never an error.
  for (int r = 0; r < 8; ++r)
    s.draw(G::Device, r, warningRow(fieldDeviceStatus, static_cast<uint8_t>(0x80 >> r)));
  return s.take();
}

}  // namespace velumor::diag_view
