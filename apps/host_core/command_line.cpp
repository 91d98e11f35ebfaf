#include "apps/host_core/command_line.h"

#include <cstdlib>
#include <iostream>

namespace host_core {

CommandLine& CommandLine::add(std::string name, bool takesValue, std::function<bool(const std::string&)> take,
                              std::string range) {
  options_.push_back(Option{std::move(name), takesValue, std::move(take), std::move(range)});
  return *this;
}

CommandLine& CommandLine::text(std::string name, std::string& into) {
  return add(std::move(name), true, [&into](const std::string& v) {
    into = v;
    return true;
  });
}

CommandLine& CommandLine::path(std::string name, std::filesystem::path& into) {
  return add(std::move(name), true, [&into](const std::string& v) {
    into = v;
    return true;
  });
}

CommandLine& CommandLine::texts(std::string name, std::vector<std::string>& into) {
  return add(std::move(name), true, [&into](const std::string& v) {
    into.push_back(v);
    return true;
  });
}

CommandLine& CommandLine::flag(std::string name, bool& into) {
  return add(std::move(name), false, [&into](const std::string&) {
    into = true;
    return true;
  });
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv, std::ostream& err) const {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return Outcome::Help;
    const Option* o = nullptr;
    for (const Option& candidate : options_)
      if (candidate.name == a) o = &candidate;
    if (!o) {
      err << program_ << ": unknown option " << a << "\n";
      return Outcome::Refused;
    }
    if (!o->takesValue) {
      o->take({});
      continue;
    }
    if (i + 1 >= argc) {
      err << program_ << ": " << a << " needs a value\n";
      return Outcome::Refused;
    }
    const std::string v = argv[++i];
    if (!o->take(v)) {
      err << program_ << ": " << a << " takes a number " << o->range << ", not \"" << v << "\"\n";
      return Outcome::Refused;
    }
  }
  return Outcome::Run;
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv, std::ostream& out,
                                        std::ostream& err) const {
  const Outcome outcome = parse(argc, argv, err);
  if (outcome == Outcome::Help) out << usage_;
  if (outcome == Outcome::Refused) err << usage_;
  return outcome;
}

bool CommandLine::refuse(std::string_view reason, std::ostream& err) const {
  err << program_ << ": " << reason << "\n" << usage_;
  return false;
}

bool CommandLine::parseOrExit(int argc, const char* const* argv) const {
  switch (parse(argc, argv, std::cout, std::cerr)) {
    case Outcome::Help:
      std::exit(0);
    case Outcome::Refused:
      return false;
    case Outcome::Run:
      break;
  }
  return true;
}

}  // namespace host_core
