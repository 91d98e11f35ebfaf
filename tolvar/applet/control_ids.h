#pragma once
// Dispatch numbers of the host's controls, as views drive them late-bound.
#include <cstdint>

namespace tolvar::dispid {

// Item handler control.
inline constexpr int32_t BindItems = 0x60030000;
inline constexpr int32_t ReleaseItems = 0x60030001;

// Text and combo controls.
inline constexpr int32_t ItemName = 0x68030002;
inline constexpr int32_t ItemMode = 0x68030001;
inline constexpr int32_t FieldFlag = 0x68030008;
inline constexpr int32_t CurrentEntryText = 0x68030012;
inline constexpr int32_t Text = -517;  // the standard Text property

// Label-text-unit control.
inline constexpr int32_t ValueItemName = 0x68030005;
inline constexpr int32_t LtuItemMode = 0x68030003;
inline constexpr int32_t UnitItemName = 0x68030004;
inline constexpr int32_t UnitItemMode = 0x68030002;
inline constexpr int32_t LabelText = 0x68030013;
inline constexpr int32_t LabelFlag = 0x68030018;

}  // namespace tolvar::dispid

namespace tolvar::progid {
inline constexpr const char* ItemHandler = "Tolvar4CtrItemHandler.Tolvar4CtrlItemHandler";
inline constexpr const char* Text = "Tolvar4txt.Tolvar4Text";
inline constexpr const char* Combo = "Tolvar4cmb.Tolvar4Combo";
inline constexpr const char* LabelTextUnit = "Tolvar4LblTextUnit.Tolvar4LabelTextUnit";
inline constexpr const char* GenericView = "GenericView.GenericViewClass";
}  // namespace tolvar::progid

// Display controls: each drives the same roles under its own numbers.
namespace tolvar::dispid {

struct DisplayRoleIds {
  int32_t ChannelCaption;
  int32_t ChannelFlag;
  int32_t ItemMode;
  int32_t UnitItemName;
  int32_t ValueItemName;
  int32_t ClassFlag;      // 0 where the control has no such property
  int32_t DigitalFormat;  // 0 where the control has no such property
  int32_t ScaleMaxItemName;
  int32_t ScaleMinItemName;
  int32_t ConnectItems;
  int32_t DisconnectItems;
};

inline constexpr DisplayRoleIds Needle{0x68030003, 0x68030004, 0x6803000C, 0x6803000D, 0x6803000E, 0x68030023,
                                       0,          0x68030009, 0x6803000A, 0x60030045, 0x60030046};
inline constexpr DisplayRoleIds BarGraph{0x68030002, 0x68030003, 0x6803000B, 0x6803000C,
                                         0x6803000D, 0x68030026, 0,          0x68030008,
                                         0x68030009, 0x6003004A, 0x6003004B};
inline constexpr DisplayRoleIds Digital{0x68030003, 0x68030004, 0x6803000C, 0x6803000D,
                                        0x6803000E, 0x68030021, 0x68030002, 0x68030009,
                                        0x6803000A, 0x6003003A, 0x6003003B};
// The plotter takes the curve number 1 to 4 as an Integer index on every property.
inline constexpr DisplayRoleIds Plotter{0x68030004, 0x68030005, 0x68030003, 0x6803000C, 0x6803000D, 0,
                                        0,          0x6803000B, 0x6803000A, 0x6003002C, 0x6003002D};
// The window-side Visible of a placed control.
inline constexpr int32_t ExtenderVisible = static_cast<int32_t>(0x80010007u);

}  // namespace tolvar::dispid

namespace tolvar::progid {
inline constexpr const char* Needle = "Tolvar4Needle.Tolvar4Needle";
inline constexpr const char* BarGraph = "Tolvar4BarGraph.Tolvar4BarGraph";
inline constexpr const char* Digital = "Tolvar4Digital.Tolvar4Digital";
inline constexpr const char* Plotter = "Tolvar4Plotter.Tolvar4Plotter";
}  // namespace tolvar::progid
