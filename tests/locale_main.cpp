// GoogleTest's main, run in the environment's locale so that the number-text tests can be run
// once more under a decimal-comma locale.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/environment_locale.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::string why;
  if (!EnterEnvironmentLocale(why)) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
