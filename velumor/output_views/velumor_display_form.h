#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "velumor/view_window/test_access.h"
#include "velumor/view_window/view_window.h"

namespace velumor::output_views {

struct ChannelContext;

// The four measured-value displays. They share every procedure of the view window; what
// differs is the kind (its design, the form's name "VelumorDisplay<Kind>Form" and the
// caption's leading text) and, per kind, the layout and channel handling added on top.
enum class DisplayKind { Trend, Analog, Digital, Bar };

class VelumorDisplayForm : public view_window::ViewWindow {
 public:
  explicit VelumorDisplayForm(DisplayKind kind);

  DisplayKind kind() const { return kind_; }

  // The user text of string `id` in the user's language.
  std::string GetTextFromResource(int16_t id);

  // The window's traits for `kind`: no device menu, no sequence queue, no save question,
  // no Settings menu; the caption begins with the kind's title text.
  static view_window::ViewWindowTraits traitsFor(DisplayKind kind);

 protected:
  void Form_Load() override;
  void Form_Resize() override;
  void Register() override;
  void Dispatch(const view_window::VELUMOR_Notify_Type& record) override;
  // Set address is for a connected device only, unless the engineering context locked it.
  void OnConnectionState(int32_t state) override;

 private:
  template <class>
  friend struct view_window::TestAccess;

  struct ChannelItems {
    int32_t selectionHandle = 0;
    int32_t enumHandle = 0;
  };
  // The channel's selection, enumeration and member, as the configuration reads them.
  struct ChannelContext channelContext(size_t k);
  int32_t& selectionMember(size_t k);
  int32_t enumerationHandle(const std::string& item);
  std::optional<int32_t> readLong(int32_t handle);

  DisplayKind kind_;
  // The last selection of each channel (the device's assignment of a variable to current
  // output 1, current output 2, the pulse output and the display's second line).
  int32_t Output1Selection = 0;
  int32_t Output2Selection = 0;
  int32_t PulseSelection = 0;
  int32_t Display2ndLineSelection = 0;
  // Handed to the instruments at each configuration; a change alone reconfigures nothing.
  int32_t UserLevel = 0;
  int32_t CountryCode = 0;
  int32_t ConnectEnumHandle = 0;  // the connection handles are the kit's members
  int32_t CountryCodeHandle = 0;
  std::array<ChannelItems, 4> channels_{};  // in channel order: Output 1, Output 2, Pulse, second line
};

}  // namespace velumor::output_views
