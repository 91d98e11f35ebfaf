#include <iostream>
#include <string>
#include <vector>

#include "apps/velumor-regsvr/regsvr.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return regsvr::run(args, std::cout, std::cerr);
}
