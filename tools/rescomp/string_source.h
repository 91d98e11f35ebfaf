#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading and checking the text sources of the string tables.
//
// A source is UTF-8, one entry a line: a decimal id (0 to 65535), one blank or tab and
// a double-quoted text with the escapes \" \\ \n \r \t; `ID ""` defines an empty text.
// Blank lines and lines starting with # are skipped. The first other line declares the
// language: `LANGUAGE 1031`.
namespace rescomp {

struct Location {
  std::string file;
  int line = 0;
};

struct Diagnostic {
  enum class Severity { Warning, Error };
  Severity severity;
  Location where;
  std::string message;

  // "file:line: error: message" (without ":line" for a whole-file message).
  std::string format() const;
};

bool hasErrors(const std::vector<Diagnostic>& diagnostics);

struct StringEntry {
  uint16_t id = 0;
  std::u16string text;
  Location where;
};

struct SourceFile {
  uint16_t langId = 0;
  std::vector<StringEntry> entries;  // in file order
};

// Parses one source. Every fault is reported with its line; nullopt when the file
// declares no language (its entries could not be placed).
std::optional<SourceFile> parseSource(std::string_view fileName, std::string_view content,
                                      std::vector<Diagnostic>& diagnostics);

// Ids that may lack a text in some language: one id a line, # starts a comment.
using AllowList = std::map<uint16_t, Location>;
AllowList parseAllowList(std::string_view fileName, std::string_view content,
                         std::vector<Diagnostic>& diagnostics);

struct LanguageTable {
  uint16_t langId = 0;
  std::map<uint16_t, StringEntry> strings;
};

// Groups the sources by language, ascending; an id defined twice in one language is an
// error (the first definition is kept).
std::vector<LanguageTable> mergeSources(const std::vector<SourceFile>& sources,
                                        std::vector<Diagnostic>& diagnostics);

// Warns of every id that some of the languages define and others do not, unless the
// allow list names it, and of allow-list entries that name no such id. The
// language-neutral table (0) holds texts for every language and takes no part.
void checkLanguageCoverage(const std::vector<LanguageTable>& tables, const AllowList& allowed,
                           std::vector<Diagnostic>& diagnostics);

}  // namespace rescomp
