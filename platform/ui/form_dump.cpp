#include "platform/ui/form_dump.h"

#include <nlohmann/json.hpp>

#include "platform/com/hex.h"
#include "platform/ui/form.h"

namespace platform::ui {

using nlohmann::json;
using platform::com::VarType;

std::string scriptText(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return v.toBool() ? "true" : "false";
    case VarType::Empty:
      return "";
    case VarType::Null:
      return "Null";
    case VarType::ByteArray:
      return platform::com::hexOctets(v.byteArray().data);
    case VarType::Object:
      return v.toObject() ? "<object>" : "Nothing";
    default:
      return v.toString();
  }
}

namespace {
json jsonValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return v.toBool();
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
      return v.toLong();
    case VarType::Single:
    case VarType::Double:
      return v.toDouble();
    case VarType::Empty:
      return nullptr;
    default:
      return scriptText(v);
  }
}
}  // namespace

std::string dumpFormJson(const Form& form) {
  json out;
  out["name"] = form.name();
  out["loaded"] = form.isLoaded();
  json fp = json::object();
  for (auto& [k, v] : form.properties()) fp[k] = jsonValue(v);
  fp["ScaleWidth"] = form.scaleWidth();
  fp["ScaleHeight"] = form.scaleHeight();
  out["props"] = fp;
  json controls = json::array();
  for (auto& c : form.controls()) {
    json cj;
    cj["name"] = c->name();
    if (c->index() >= 0) cj["index"] = c->index();
    cj["type"] = c->typeName();
    Control* cont = c->container();
    cj["container"] = (cont && cont != &form) ? cont->qualifiedName() : "";
    json props = json::object();
    try {
      for (auto& [k, v] : c->properties()) props[k] = jsonValue(v);
    } catch (const std::exception& e) {
      props["_error"] = e.what();
    }
    cj["props"] = props;
    std::string extra = c->extraJson();
    if (!extra.empty()) cj["extra"] = json::parse(extra);
    controls.push_back(std::move(cj));
  }
  out["controls"] = controls;
  // A window may show text that is not valid UTF-8; the dump replaces it, as `items` does.
  return out.dump(1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace platform::ui
