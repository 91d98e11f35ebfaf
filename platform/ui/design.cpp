#include "platform/ui/design.h"

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>

namespace platform::ui {

using nlohmann::json;
using platform::com::Variant;
namespace err = platform::com::err;

namespace {

[[noreturn]] void bad(const std::string& what) {
  platform::com::raise(err::InvalidPropertyValue, "Window design: " + what);
}

Variant fromJson(const json& j, const std::string& where) {
  switch (j.type()) {
    case json::value_t::boolean:
      return Variant(j.get<bool>());
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: {
      long long v = j.get<long long>();
      if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
      if (v > INT32_MAX && v <= static_cast<long long>(UINT32_MAX))
        return Variant(static_cast<int32_t>(static_cast<uint32_t>(v)));  // an OLE colour written unsigned
      return Variant(static_cast<double>(v));
    }
    case json::value_t::number_float:
      return Variant(j.get<double>());
    case json::value_t::string:
      return Variant(j.get<std::string>());
    case json::value_t::null:
      return Variant();
    default:
      bad(where + ": a property value must be a number, a text or a Boolean");
  }
}

std::pair<std::string, int32_t> splitIndexed(const std::string& s) {
  auto open = s.find('(');
  if (open == std::string::npos || s.back() != ')') return {s, -1};
  try {
    return {s.substr(0, open), std::stoi(s.substr(open + 1, s.size() - open - 2))};
  } catch (...) {
    bad("bad container reference '" + s + "'");
  }
}

std::string str(const json& o, const char* key, const std::string& def = {}) {
  auto it = o.find(key);
  if (it == o.end() || it->is_null()) return def;
  if (!it->is_string()) bad(std::string("'") + key + "' must be a text");
  return it->get<std::string>();
}

float num(const json& o, const char* key, float def) {
  auto it = o.find(key);
  if (it == o.end()) return def;
  if (!it->is_number()) bad(std::string("'") + key + "' must be a number");
  return it->get<float>();
}

}  // namespace

Variant designValue(const Variant& v) {
  if (!v.isString()) return v;
  const std::string& s = v.toString();
  if (s.size() > 2 && (s[0] == '&') && (s[1] == 'H' || s[1] == 'h')) {
    std::string hex = s.substr(2);
    if (!hex.empty() && hex.back() == '&') hex.pop_back();
    if (hex.empty() || hex.size() > 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      return v;
    return Variant(static_cast<int32_t>(static_cast<uint32_t>(std::stoul(hex, nullptr, 16))));
  }
  return v;
}

Design parseDesign(const std::string& text) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::exception& e) {
    bad(std::string("not valid JSON: ") + e.what());
  }
  if (!root.is_object()) bad("the top level must be an object");
  Design d;
  if (auto f = root.find("form"); f != root.end()) {
    d.formName = str(*f, "name");
    if (auto p = f->find("props"); p != f->end()) {
      if (!p->is_object()) bad("form props must be an object");
      for (auto& [k, v] : p->items()) d.formProps.emplace_back(k, fromJson(v, "form." + k));
    }
  }
  if (auto cs = root.find("controls"); cs != root.end()) {
    if (!cs->is_array()) bad("'controls' must be an array");
    for (const json& c : *cs) {
      if (!c.is_object()) bad("each control must be an object");
      DesignControl dc;
      dc.name = str(c, "name");
      if (dc.name.empty()) bad("a control without a name");
      if (auto i = c.find("index"); i != c.end() && !i->is_null()) {
        if (!i->is_number_integer()) bad(dc.name + ": index must be a whole number");
        dc.index = i->get<int32_t>();
        if (dc.index < 0) bad(dc.name + ": index must not be negative");
      }
      dc.type = str(c, "type");
      dc.progId = str(c, "progId");
      if (dc.type.empty()) bad(dc.name + ": no type");
      auto [cn, ci] = splitIndexed(str(c, "container"));
      dc.container = cn;
      dc.containerIndex = ci;
      std::string where = dc.name + (dc.index >= 0 ? "(" + std::to_string(dc.index) + ")" : "");
      if (auto p = c.find("props"); p != c.end()) {
        if (!p->is_object()) bad(where + ": props must be an object");
        for (auto& [k, v] : p->items()) dc.props.emplace_back(k, fromJson(v, where + "." + k));
      }
      if (auto t = c.find("tabs"); t != c.end()) {
        for (const json& tj : *t) {
          Tab tab;
          tab.key = str(tj, "key");
          tab.caption = str(tj, "caption");
          tab.image = static_cast<int32_t>(num(tj, "image", 0));
          tab.toolTipText = str(tj, "toolTipText");
          if (auto tg = tj.find("tag"); tg != tj.end()) tab.tag = fromJson(*tg, where + ".tag");
          dc.tabs.push_back(std::move(tab));
        }
      }
      if (auto ps = c.find("panels"); ps != c.end()) {
        for (const json& pj : *ps) {
          Panel p;
          p.key = str(pj, "key");
          p.style = str(pj, "style", "text");
          p.autoSize = str(pj, "autoSize", "none");
          p.width = num(pj, "width", 1440);
          p.minWidth = num(pj, "minWidth", 0);
          p.text = str(pj, "text");
          p.toolTipText = str(pj, "toolTipText");
          dc.panels.push_back(std::move(p));
          dc.panelPictures.push_back(str(pj, "picture"));
        }
      }
      if (auto is = c.find("images"); is != c.end()) {
        for (const json& ij : *is) dc.images.emplace_back(str(ij, "key"), str(ij, "picture"));
      }
      d.controls.push_back(std::move(dc));
    }
  }
  return d;
}

namespace {
struct CachedDesign {
  size_t hash;
  std::string text;
  std::shared_ptr<const Design> design;
};
// Enough for every form class of a process; the least recently used goes first.
constexpr size_t kCachedDesigns = 32;
std::vector<CachedDesign>& designCache() {
  static std::vector<CachedDesign> cache;
  return cache;
}
}  // namespace

std::shared_ptr<const Design> sharedDesign(const std::string& json) {
  size_t hash = std::hash<std::string>{}(json);
  auto& cache = designCache();
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->hash == hash && it->text == json) {
      std::rotate(it, it + 1, cache.end());
      return cache.back().design;
    }
  }
  auto design = std::make_shared<const Design>(parseDesign(json));
  if (cache.size() >= kCachedDesigns) cache.erase(cache.begin());
  cache.push_back({hash, json, design});
  return design;
}

}  // namespace platform::ui
