// Start-up pieces under Wine: the window class, the two windows' styles and sizes, the shifted
// clock of the test build.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/app_win32.h"
#include "app/tray_win32.h"
#include "base/app_state.h"
#include "base/clock_source_win32.h"
#include "settings/settings.h"

namespace {

TEST(StartupTest, ProbeFindsTheBaselineFeaturesOfThisProcessor) {
  CpuFeatures = {7, 7, 7, 7, 7};
  ProbeCpuFeatures();
  // Every processor Wine runs on here has MMX and SSE2; the flags are 0/1 only.
  EXPECT_EQ(CpuFeatures.mmx, 1);
  EXPECT_EQ(CpuFeatures.sse2, 1);
  for (int flag : {CpuFeatures.mmx, CpuFeatures.sse, CpuFeatures.sse2, CpuFeatures.amd3dNow,
                   CpuFeatures.amd3dNowExt}) {
    EXPECT_TRUE(flag == 0 || flag == 1);
  }
}

TEST(StartupTest, TrayRecordIsTheFullAnsiRecord) {
#if defined(__i386__)
  // The shell reads the record by its size: the full ANSI layout with balloon fields, GUID and
  // balloon icon is 508 bytes on 32-bit Windows.
  EXPECT_EQ(sizeof TrayIconData, 508u);
#endif
  EXPECT_EQ(offsetof(NOTIFYICONDATAA, szTip) + sizeof TrayIconData.szTip,
            offsetof(NOTIFYICONDATAA, dwState));
  EXPECT_EQ(sizeof TrayIconData.szTip, 128u);
}

}  // namespace
