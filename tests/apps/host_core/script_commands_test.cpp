// The command reference (apps/host_core/README.md) against the runner's command table: a
// command or argument list that one of them has and the other lacks fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "apps/host_core/script_runner.h"

using namespace host_core;

namespace {

// The commands of the reference's table: each row's first cell holds one or more code spans,
// "`name ARGS`", a '|' inside a span escaped as "\|". Returns name -> arguments, and every
// name in `order` as often as it is written.
std::map<std::string, std::string> readmeCommands(std::vector<std::string>& order) {
  std::ifstream in(VELUMOR_HOST_CORE_README);
  EXPECT_TRUE(in) << "cannot read " << VELUMOR_HOST_CORE_README;
  std::map<std::string, std::string> commands;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("| `", 0) != 0) continue;
    // The first cell ends at the first '|' that is not escaped.
    size_t end = 1;
    while (end < line.size() && !(line[end] == '|' && line[end - 1] != '\\')) ++end;
    const std::string cell = line.substr(1, end - 1);
    for (size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
      const size_t close = cell.find('`', open + 1);
      if (close == std::string::npos) break;
      std::string span = cell.substr(open + 1, close - open - 1);
      for (size_t at = span.find("\\|"); at != std::string::npos; at = span.find("\\|", at))
        span.erase(at, 1);
      const size_t blank = span.find(' ');
      const std::string name = span.substr(0, blank);
      commands[name] = blank == std::string::npos ? "" : span.substr(blank + 1);
      order.push_back(name);
      open = close + 1;
    }
  }
  return commands;
}

TEST(ScriptCommandsTest, EveryCommandOfTheTableIsInTheReferenceWithItsArguments) {
  std::vector<std::string> order;
  const auto documented = readmeCommands(order);
  ASSERT_FALSE(documented.empty());
  for (const auto& c : scriptCommands()) {
    const std::string name(c.name);
    auto it = documented.find(name);
    if (it == documented.end()) {
      ADD_FAILURE() << "README.md does not describe the command '" << name << "'";
      continue;
    }
    EXPECT_EQ(it->second, std::string(c.args)) << "the arguments of '" << name << "'";
  }
}

TEST(ScriptCommandsTest, TheReferenceNamesNoCommandTheTableLacksAndEachOnce) {
  std::vector<std::string> order;
  const auto documented = readmeCommands(order);
  std::set<std::string> known;
  for (const auto& c : scriptCommands()) EXPECT_TRUE(known.insert(std::string(c.name)).second) << c.name;
  std::set<std::string> seen;
  for (const auto& name : order) {
    EXPECT_TRUE(known.count(name)) << "README.md names '" << name << "', which the runner does not know";
    EXPECT_TRUE(seen.insert(name).second) << "README.md describes '" << name << "' twice";
  }
}

}  // namespace
