#include "model/unMissingEntries.h"

#include <gtest/gtest.h>

TEST(MissingEntries, ScopesNestAndWithoutOneEverythingIsGranted) {
  EXPECT_TRUE(TMissingEntries::Take(1'000'000'000));
  {
    const TMissingEntries outer(10);
    EXPECT_TRUE(TMissingEntries::Take(6));
    EXPECT_FALSE(TMissingEntries::Take(5)); // takes nothing
    EXPECT_TRUE(TMissingEntries::Take(4));
    {
      const TMissingEntries inner(100);
      EXPECT_TRUE(TMissingEntries::Take(100));
      EXPECT_FALSE(TMissingEntries::Take(1));
    }
    EXPECT_FALSE(TMissingEntries::Take(1)); // the outer budget is back, and spent
    EXPECT_TRUE(TMissingEntries::Take(0));
    EXPECT_TRUE(TMissingEntries::Take(-5)); // lists with surplus elements take nothing
  }
  EXPECT_TRUE(TMissingEntries::Take(1'000'000'000));
}
