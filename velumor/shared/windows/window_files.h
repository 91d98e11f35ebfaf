#pragma once
// File access of the small shared windows: the files beside the component library (read-me,
// software-service text, the library itself) and the medium date form of the About window.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velumor::shared::windows {

// A window design compiled into the library.
std::string designText(const unsigned char* data, std::size_t size);

// Full path of `name` in the component's folder, with "/" between folder and name.
std::string componentFilePath(const std::string& name);

// Reads a text file line by line; a line ends at CR LF, LF or a lone CR. Every line is
// given back followed by CR LF, so a last line without a line break gets one and an empty
// file gives an empty text. Nothing when the file cannot be opened (missing, a folder,
// no permission).
std::optional<std::string> readLinesCrLf(const std::string& path);

// The whole content of a file, byte for byte. On failure `errorNumber` is the run-time
// error number that describes it (53 file not found, 70 permission denied, 76 path not
// found, 75 any other access error) and nothing is returned.
std::optional<std::string> readWholeFile(const std::string& path, int32_t& errorNumber);

// A date in the medium form of the language: German (primary language 7) "08. Dez 2026",
// every other language "08-Dec-2026". `month` is 1..12.
std::string mediumDate(int year, int month, int day, uint16_t langId);

// The last-modified date of `file` in local time, as mediumDate() writes it; an empty text
// when the file is missing or its date cannot be read.
std::string fileModifiedMediumDate(const std::filesystem::path& file, uint16_t langId);

}  // namespace velumor::shared::windows
