// The description's texts in the session's language. A table beside the description,
// <stem>.<language>.json, gives for each English text its translation, and for the names that
// follow a fixed lead-in ("Record state: HART_COMMAND_000_READ") the lead-in's:
//   {"format": 1, "language": "de", "prefixes": {"Record state: ": "..."}, "texts": {"Forward": "..."}}
// The texts are replaced in the description before it is parsed, so everything built from
// them (object information, enumerations, the device menu) speaks the one language.
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tolvar/sim/dd/device_data.h"

namespace tolvar::dd {

namespace {

using nlohmann::json;

struct Texts {
  std::map<std::string, std::string> exact;
  std::map<std::string, std::string> prefixes;

  void translate(json& field) const {
    if (!field.is_string()) return;
    const std::string english = field.get<std::string>();
    if (auto it = exact.find(english); it != exact.end()) {
      field = it->second;
      return;
    }
    // The longest lead-in that fits: "Record response control: " before "Record response: ".
    const std::pair<const std::string, std::string>* best = nullptr;
    for (const auto& p : prefixes)
      if (english.rfind(p.first, 0) == 0 && (!best || p.first.size() > best->first.size())) best = &p;
    if (best) field = best->second + english.substr(best->first.size());
  }
};

std::optional<std::string> readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

Result<Texts> readTexts(const std::filesystem::path& file, std::string_view language) {
  const std::string where = file.string() + ": ";
  const std::optional<std::string> text = readFile(file);
  if (!text) return Status::fail(Reason::BadFile, where + "cannot be read");
  const json doc = json::parse(*text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object())
    return Status::fail(Reason::BadFile, where + "is not a JSON object");
  Texts out;
  for (const auto& [key, value] : doc.items()) {
    if (key == "format") {
      if (value != 1) return Status::fail(Reason::BadFile, where + "\"format\" must be 1");
    } else if (key == "language") {
      if (!value.is_string() || value.get<std::string>() != language)
        return Status::fail(Reason::BadFile,
                            where + "\"language\" must be \"" + std::string(language) + "\"");
    } else if (key == "texts" || key == "prefixes") {
      if (!value.is_object())
        return Status::fail(Reason::BadFile, where + "\"" + key + "\" must be an object");
      auto& into = key == "texts" ? out.exact : out.prefixes;
      for (const auto& [english, translated] : value.items()) {
        if (!translated.is_string() || translated.get<std::string>().empty())
          return Status::fail(Reason::BadFile,
                              where + key + " \"" + english + "\": the translation must be a text");
        into[english] = translated.get<std::string>();
      }
    } else {
      return Status::fail(Reason::BadFile, where + "unknown field \"" + key + "\"");
    }
  }
  return out;
}

void translateAll(json& doc, const Texts& texts) {
  auto each = [&](const char* list, auto&& f) {
    if (auto it = doc.find(list); it != doc.end() && it->is_array())
      for (auto& entry : *it)
        if (entry.is_object()) f(entry);
  };
  auto field = [&](json& entry, const char* name) {
    if (auto it = entry.find(name); it != entry.end()) texts.translate(*it);
  };
  each("enumerations", [&](json& e) {
    field(e, "label");
    if (auto it = e.find("entries"); it != e.end() && it->is_array())
      for (auto& entry : *it)
        if (entry.is_object()) field(entry, "text");
  });
  each("variables", [&](json& v) {
    field(v, "label");
    field(v, "help");
  });
  each("records", [&](json& r) { field(r, "label"); });
  each("sequences", [&](json& s) { field(s, "label"); });
  each("menu", [&](json& m) {
    if (m.value("caption", "") == "-") return;
    field(m, "caption");
    field(m, "hint");
  });
}

}  // namespace

std::filesystem::path translationFile(const std::filesystem::path& descriptionFile,
                                      std::string_view language) {
  std::filesystem::path out = descriptionFile;
  out.replace_filename(descriptionFile.stem().string() + "." + std::string(language) + ".json");
  return out;
}

Result<DeviceData> loadDeviceData(const std::filesystem::path& file, std::string_view language) {
  const std::filesystem::path table = translationFile(file, language);
  std::error_code ec;
  if (language.empty() || language == "en" || !std::filesystem::exists(table, ec))
    return loadDeviceData(file);
  const std::optional<std::string> text = readFile(file);
  if (!text) return loadDeviceData(file);  // its own message says why
  json doc = json::parse(*text, nullptr, false);
  if (doc.is_discarded()) return parseDeviceData(*text, file.string());  // names the faulty line
  const Result<Texts> texts = readTexts(table, language);
  if (!texts) return texts.error();
  translateAll(doc, texts.value());
  return parseDeviceData(doc.dump(), file.string());
}

}  // namespace tolvar::dd
