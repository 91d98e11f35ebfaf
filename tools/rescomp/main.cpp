// rescomp: compiles the string-table text sources into a C++ source file.
//
//   rescomp [--symbol NAME --output FILE] [--one-language-ok FILE] [--warnings-as-errors]
//           SOURCE...
//
// Without --output the sources are only checked. Faults are reported as
// "file:line: error: ..." and end the run with status 1; texts missing from a language
// are warnings unless --warnings-as-errors is given.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/rescomp/block_writer.h"
#include "tools/rescomp/string_source.h"

namespace {

int usage(const std::string& problem) {
  std::cerr << "rescomp: " << problem << "\n"
            << "usage: rescomp [--symbol NAME --output FILE] [--one-language-ok FILE] "
               "[--warnings-as-errors] SOURCE...\n";
  return 2;
}

bool readFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  content = buffer.str();
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::string symbol, output, allowFile;
  bool warningsAsErrors = false;
  std::vector<std::string> sources;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](std::string& target) {
      if (i + 1 >= argc) return false;
      target = argv[++i];
      return true;
    };
    if (arg == "--symbol") {
      if (!value(symbol)) return usage("--symbol needs a name");
    } else if (arg == "--output") {
      if (!value(output)) return usage("--output needs a file name");
    } else if (arg == "--one-language-ok") {
      if (!value(allowFile)) return usage("--one-language-ok needs a file name");
    } else if (arg == "--warnings-as-errors") {
      warningsAsErrors = true;
    } else if (arg.rfind("--", 0) == 0) {
      return usage("unknown option " + arg);
    } else {
      sources.push_back(arg);
    }
  }
  if (sources.empty()) return usage("no source files");
  if (!output.empty() && !rescomp::isValidSymbol(symbol))
    return usage("--symbol must name a C++ function, optionally qualified (ns::name)");

  std::vector<rescomp::Diagnostic> diagnostics;
  std::vector<rescomp::SourceFile> parsed;
  std::vector<std::string> names;
  for (const std::string& path : sources) {
    std::string content;
    if (!readFile(path, content)) {
      diagnostics.push_back({rescomp::Diagnostic::Severity::Error, {path, 0}, "cannot read the file"});
      continue;
    }
    if (auto source = rescomp::parseSource(path, content, diagnostics)) parsed.push_back(std::move(*source));
    names.push_back(std::filesystem::path(path).filename().string());
  }
  rescomp::AllowList allowed;
  if (!allowFile.empty()) {
    std::string content;
    if (readFile(allowFile, content))
      allowed = rescomp::parseAllowList(allowFile, content, diagnostics);
    else
      diagnostics.push_back({rescomp::Diagnostic::Severity::Error, {allowFile, 0}, "cannot read the file"});
  }
  const std::vector<rescomp::LanguageTable> tables = rescomp::mergeSources(parsed, diagnostics);
  rescomp::checkLanguageCoverage(tables, allowed, diagnostics);

  bool failed = false;
  for (const rescomp::Diagnostic& d : diagnostics) {
    std::cerr << d.format() << "\n";
    if (d.severity == rescomp::Diagnostic::Severity::Error || warningsAsErrors) failed = true;
  }
  if (failed) return 1;

  if (!output.empty()) {
    const std::string text = rescomp::generateSource(symbol, rescomp::buildBlocks(tables), names);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::cerr << output << ": error: cannot write the file\n";
      std::filesystem::remove(output);
      return 1;
    }
  }
  return 0;
}
