#include "tools/rescomp/string_source.h"

#include <algorithm>
#include <set>

#include "platform/res/resource_module.h"
#include "platform/res/utf.h"

namespace rescomp {

namespace {

void report(std::vector<Diagnostic>& diagnostics, Diagnostic::Severity severity, Location where,
            std::string message) {
  diagnostics.push_back(Diagnostic{severity, std::move(where), std::move(message)});
}

void error(std::vector<Diagnostic>& diagnostics, Location where, std::string message) {
  report(diagnostics, Diagnostic::Severity::Error, std::move(where), std::move(message));
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Splits into lines; a CR before the LF belongs to the line break.
std::vector<std::string_view> splitLines(std::string_view content) {
  std::vector<std::string_view> lines;
  while (!content.empty()) {
    std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    content.remove_prefix(end + 1);
  }
  return lines;
}

bool isSkipped(std::string_view line) {
  std::string_view t = trim(line);
  return t.empty() || t.front() == '#';
}

// A run of decimal digits at the start of `text`; its value (or 65536 for anything
// larger) and its length.
struct Number {
  uint32_t value = 0;
  std::size_t length = 0;
};

Number readNumber(std::string_view text) {
  Number n;
  while (n.length < text.size() && isDigit(text[n.length])) {
    n.value = std::min<uint32_t>(n.value * 10 + static_cast<uint32_t>(text[n.length] - '0'), 65536);
    ++n.length;
  }
  return n;
}

std::string idText(uint32_t id) {
  return std::to_string(id);
}

// The quoted text of an entry, `rest` starting at the opening quote. Returns the
// unescaped UTF-8 text or an error message.
struct QuotedText {
  std::string text;
  std::string problem;
};

QuotedText readQuoted(std::string_view rest) {
  QuotedText result;
  if (rest.empty() || rest.front() != '"') {
    result.problem = "expected a double-quoted text after the id";
    return result;
  }
  std::size_t i = 1;
  bool closed = false;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == '"') {
      closed = true;
      ++i;
      break;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      result.problem = "control character in the text; write \\t, \\n or \\r";
      return result;
    }
    if (c != '\\') {
      result.text += c;
      continue;
    }
    if (++i == rest.size()) break;
    switch (rest[i]) {
      case '"':
        result.text += '"';
        break;
      case '\\':
        result.text += '\\';
        break;
      case 'n':
        result.text += '\n';
        break;
      case 'r':
        result.text += '\r';
        break;
      case 't':
        result.text += '\t';
        break;
      default:
        result.problem = std::string("unknown escape \\") + rest[i];
        return result;
    }
  }
  if (!closed) {
    result.problem = "the text has no closing double quote";
    return result;
  }
  if (!trim(rest.substr(i)).empty()) result.problem = "unexpected characters after the closing double quote";
  return result;
}

}  // namespace

std::string Diagnostic::format() const {
  std::string out = where.file;
  if (where.line > 0) out += ":" + std::to_string(where.line);
  out += severity == Severity::Error ? ": error: " : ": warning: ";
  out += message;
  return out;
}

bool hasErrors(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Diagnostic::Severity::Error; });
}

std::optional<SourceFile> parseSource(std::string_view fileName, std::string_view content,
                                      std::vector<Diagnostic>& diagnostics) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  SourceFile source;
  bool haveLanguage = false;
  const std::vector<std::string_view> lines = splitLines(content);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    const Location where{std::string(fileName), static_cast<int>(n + 1)};
    if (!platform::res::isValidUtf8(line)) {
      error(diagnostics, where, "the line is not valid UTF-8");
      continue;
    }
    if (isSkipped(line)) continue;

    if (!haveLanguage) {
      constexpr std::string_view keyword = "LANGUAGE";
      std::string_view rest = trim(line);
      if (rest.substr(0, keyword.size()) != keyword) {
        error(diagnostics, where, "the first entry must declare the language, as in LANGUAGE 1033");
        return std::nullopt;
      }
      rest = rest.substr(keyword.size());
      const std::string_view value = trim(rest);
      const Number number = readNumber(value);
      if (rest.empty() || !isBlank(rest.front()) || number.length == 0 || number.length != value.size() ||
          number.value > 65535) {
        error(diagnostics, where,
              "malformed language declaration; expected LANGUAGE and a language id 0 to 65535");
        return std::nullopt;
      }
      source.langId = static_cast<uint16_t>(number.value);
      haveLanguage = true;
      continue;
    }

    const Number id = readNumber(line);
    if (id.length == 0) {
      error(diagnostics, where, "malformed line; expected an id, one blank and a double-quoted text");
      continue;
    }
    if (id.value > 65535) {
      error(diagnostics, where,
            "string id " + std::string(line.substr(0, id.length)) + " is out of range 0 to 65535");
      continue;
    }
    const std::string_view afterId = line.substr(id.length);
    if (afterId.empty() || !isBlank(afterId.front())) {
      error(diagnostics, where, "malformed line; expected one blank or tab after the id " + idText(id.value));
      continue;
    }
    QuotedText quoted = readQuoted(afterId.substr(1));
    if (!quoted.problem.empty()) {
      error(diagnostics, where, "malformed line for string " + idText(id.value) + ": " + quoted.problem);
      continue;
    }
    std::u16string text = platform::res::utf8ToUtf16(quoted.text);
    if (text.size() > 0xFFFF) {
      error(diagnostics, where, "string " + idText(id.value) + " is longer than 65535 UTF-16 units");
      continue;
    }
    source.entries.push_back(StringEntry{static_cast<uint16_t>(id.value), std::move(text), where});
  }
  if (!haveLanguage) {
    error(diagnostics, Location{std::string(fileName), 0}, "the file declares no language (LANGUAGE 1033)");
    return std::nullopt;
  }
  return source;
}

AllowList parseAllowList(std::string_view fileName, std::string_view content,
                         std::vector<Diagnostic>& diagnostics) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  AllowList allowed;
  const std::vector<std::string_view> lines = splitLines(content);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string_view line = lines[n];
    const Location where{std::string(fileName), static_cast<int>(n + 1)};
    line = trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const Number id = readNumber(line);
    if (id.length != line.size()) {
      error(diagnostics, where, "malformed line; expected one string id");
      continue;
    }
    if (id.value > 65535) {
      error(diagnostics, where, "string id " + std::string(line) + " is out of range 0 to 65535");
      continue;
    }
    allowed.emplace(static_cast<uint16_t>(id.value), where);
  }
  return allowed;
}

std::vector<LanguageTable> mergeSources(const std::vector<SourceFile>& sources,
                                        std::vector<Diagnostic>& diagnostics) {
  std::map<uint16_t, LanguageTable> byLanguage;
  for (const SourceFile& source : sources) {
    LanguageTable& table = byLanguage[source.langId];
    table.langId = source.langId;
    for (const StringEntry& entry : source.entries) {
      auto [it, inserted] = table.strings.emplace(entry.id, entry);
      if (!inserted) {
        const Location& first = it->second.where;
        error(diagnostics, entry.where,
              "string " + idText(entry.id) + " is defined twice in language " + idText(source.langId) +
                  "; first defined at " + first.file + ":" + std::to_string(first.line));
      }
    }
  }
  std::vector<LanguageTable> tables;
  for (auto& [langId, table] : byLanguage) tables.push_back(std::move(table));
  return tables;
}

void checkLanguageCoverage(const std::vector<LanguageTable>& tables, const AllowList& allowed,
                           std::vector<Diagnostic>& diagnostics) {
  std::vector<const LanguageTable*> compared;
  for (const LanguageTable& table : tables)
    if (table.langId != platform::res::kLangNeutral) compared.push_back(&table);

  std::set<uint16_t> partial;
  if (compared.size() >= 2) {
    std::set<uint16_t> all;
    for (const LanguageTable* table : compared)
      for (const auto& [id, entry] : table->strings) all.insert(id);
    for (uint16_t id : all) {
      std::vector<const LanguageTable*> having, lacking;
      for (const LanguageTable* table : compared) {
        if (table->strings.count(id))
          having.push_back(table);
        else
          lacking.push_back(table);
      }
      if (lacking.empty()) continue;
      partial.insert(id);
      if (allowed.count(id)) continue;
      std::string in, notIn;
      for (const LanguageTable* table : having) in += (in.empty() ? "" : ", ") + idText(table->langId);
      for (const LanguageTable* table : lacking) notIn += (notIn.empty() ? "" : ", ") + idText(table->langId);
      report(diagnostics, Diagnostic::Severity::Warning, having.front()->strings.at(id).where,
             "string " + idText(id) + " is defined in language " + in + " only, not in " + notIn);
    }
  }
  if (compared.size() < 2) return;
  for (const auto& [id, where] : allowed)
    if (!partial.count(id))
      report(diagnostics, Diagnostic::Severity::Warning, where,
             "string " + idText(id) + " is listed as one-language but is not missing from any language");
}

}  // namespace rescomp
