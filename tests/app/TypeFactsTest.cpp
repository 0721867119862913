#include <gtest/gtest.h>

#include "app/AppState.h"
#include "app/TypeFacts.h"

using namespace kova;

TEST(TypeFacts, RangesStepAndSpacingOfBuiltInTypes) {
  AppState app;
  MN_InstallDefaultSystems(app);
  EXPECT_EQ(MN_TypeFacts(*app.systems[0]),
            "518.000\u2013550.000, 630.000\u2013662.000, 740.000\u2013772.000, 790.000\u2013822.000, "
            "838.000\u2013870.000 MHz \u00b7 step 0.100 MHz \u00b7 spacing 0.400 MHz");
  CSystemType& osprey = *app.systems[3];
  EXPECT_EQ(MN_TypeFacts(osprey), "450.000\u2013960.000 MHz \u00b7 step 0.075 MHz \u00b7 spacing 0.300 MHz");
  osprey.GbCheckFlag(kCheckSpacing, false);
  EXPECT_EQ(MN_TypeFacts(osprey), "450.000\u2013960.000 MHz \u00b7 step 0.075 MHz \u00b7 spacing off");
}
