#include <gtest/gtest.h>

#include "Classes.h"
#include "SysUtils.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_SysUtils();
  Initialization_Classes();
  int result = RUN_ALL_TESTS();
  Finalization_Classes();
  Finalization_SysUtils();
  return result;
}
