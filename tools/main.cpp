#include <iostream>

#include "tools/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vurerode::cli::Main(args, std::cout, std::cerr);
}
