#pragma once
// How the host holds, shows and converts item values. Numbers are held as Double (as given:
// nothing is rounded on the way in), texts as String, octets as a ByteArray whose lower bound
// is the item's first octet number, Booleans as Boolean.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"
#include "tolvar/applet/result.h"
#include "tolvar/sim/dd/device_data.h"

namespace tolvar::sim {

using platform::com::ByteArray;
using platform::com::Variant;

// The value an item starts with: its default from the description.
Variant initialValue(const dd::VariableDef& def);

// HART packed ASCII: six bits a character, four characters in three octets, most significant
// bits first. Packing pads with blanks to `length` characters (rounded up to a multiple of 4;
// 0 = the text's own length) and folds letters to upper case; characters outside the six-bit
// set (codes 20h to 5Fh after folding) become '?'. Unpacking drops trailing blanks.
std::vector<uint8_t> packAscii(std::string_view text, int length);
std::string unpackAscii(const std::vector<uint8_t>& octets);
// Whether every character fits the six-bit set once folded to upper case.
bool fitsPackedAscii(std::string_view text);

// Pairs of hexadecimal digits, any case, separated by blanks (or none); nullopt when not.
std::optional<std::vector<uint8_t>> parseHex(std::string_view text);

// The value as a number: numbers and Booleans convert, texts when they hold a number.
std::optional<double> numberOf(const Variant& v);

// The enumeration text of `value`, or "" when the enumeration has no entry for it.
std::string enumerationText(const dd::EnumDef* e, double value);

// What GetValueText and the host's controls show: the enumeration text, the number formatted
// with the item's decimals, the text, the octets in hexadecimal; never the unit.
std::string displayText(const dd::DeviceData& data, const dd::VariableDef& def, const Variant& v);

// What the host's fields show: displayText, numbers with the decimal mark of `langId`
// ("998,805" in German). Items, scripts and data sets keep the locale-free displayText.
std::string userText(const dd::DeviceData& data, const dd::VariableDef& def, const Variant& v,
                     uint16_t langId);

// What a user typed or chose, checked against the item (type, enumeration, range, length).
// Numbers take "." or "," as the decimal mark (platform::res::parseUserNumber). When it does
// not fit: InvalidArgument with a message for the user in the language `langId`, with the
// range the description gives or the length allowed.
Result<Variant> valueFromUserText(const dd::DeviceData& data, const dd::VariableDef& def,
                                  std::string_view text, uint16_t langId = 1033);
Result<Variant> valueFromUserNumber(const dd::DeviceData& data, const dd::VariableDef& def, double number,
                                    uint16_t langId = 1033);

// Host-side writes (scripts, the simulated meter): a number is stored as given, as a Double
// (a Boolean item takes it as True when not 0); a text as given.
Variant hostValueFromNumber(const dd::VariableDef& def, double number);
Variant hostValueFromText(const dd::VariableDef& def, std::string text);
// Octets written to an item: a bytes item keeps them under its own octet numbers, a packed
// ASCII item unpacks them, a text item takes them as characters. nullopt for other items.
std::optional<Variant> valueFromOctets(const dd::VariableDef& def, const std::vector<uint8_t>& octets);
// The item's octets: a bytes item's own, a packed ASCII item packed, a text's characters.
// nullopt for numbers and Booleans.
std::optional<std::vector<uint8_t>> octetsOf(const dd::VariableDef& def, const Variant& v);

// Whether the text of a Date item is a valid "YYYY-MM-DD" from 1900 to 2155.
bool validDateText(std::string_view text);

}  // namespace tolvar::sim
