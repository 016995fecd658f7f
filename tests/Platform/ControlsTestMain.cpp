// Starts the units of windows and forms the way a program does.
#include <gtest/gtest.h>

#include "ActnList.h"
#include "Classes.h"
#include "Forms.h"
#include "Graphics.h"
#include "StdActns.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_SysUtils();
  Initialization_Classes();
  Initialization_Graphics();
  Initialization_ActnList();
  Initialization_StdActns();
  Initialization_Controls();
  Initialization_Forms();
  int result = RUN_ALL_TESTS();
  Finalization_Forms();
  Finalization_Controls();
  Finalization_StdActns();
  Finalization_ActnList();
  Finalization_Graphics();
  Finalization_Classes();
  Finalization_SysUtils();
  return result;
}
