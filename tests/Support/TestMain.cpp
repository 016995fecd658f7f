// Starts the units of the layers a test program links, in link order, as a
// program's main does. QEV_TEST_LAYER: 0 the runtime, 1 with the Unicode layer,
// 2 with the application framework.
#include <gtest/gtest.h>

#include "PlatformUnits.h"
#if QEV_TEST_LAYER >= 1
#include "QevUnicodeUnits.h"
#endif
#if QEV_TEST_LAYER >= 2
#include "QevLXUnits.h"
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  Initialization_PlatformUnits();
#if QEV_TEST_LAYER >= 1
  Initialization_QevUnicodeUnits();
#endif
#if QEV_TEST_LAYER >= 2
  Initialization_QevLXUnits();
#endif
  int result = RUN_ALL_TESTS();
#if QEV_TEST_LAYER >= 2
  Finalization_QevLXUnits();
#endif
#if QEV_TEST_LAYER >= 1
  Finalization_QevUnicodeUnits();
#endif
  Finalization_PlatformUnits();
  return result;
}
