// The clock thread is the frame's only owner: redraw and push requests hammered from this (the
// UI) thread while the skin reloads again and again are all served by the clock thread, and no
// surface is touched from anywhere else.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "../shared/clock_window_win32.h"
#include "app/app_win32.h"
#include "base/app_state.h"
#include "render/face_win32.h"
#include "render/frame.h"
#include "render/surface.h"
#include "settings/settings.h"
#include "skin/catalogue.h"
#include "skin/catalogue_win32.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

TEST(FrameOwnerTest, RequestsDuringReloadsAreServedByTheClockThreadAlone) {
  // This executable carries the program's resources, built-in skins included.
  ASSERT_TRUE(MakeStandInClockWindow("FrameOwnerTest"));
  const int skins = BrandTable[0].skinCount;
  ASSERT_GE(skins, 2);
  BRAND = 0;
  CHARA = 0;
  ClockState = kClockLoad;
  StopRequested = 0;
  ThreadEnded = 0;
  CreateClockWakeEvent();
  ClockThreadHandle = CreateThread(nullptr, 0, ClockThread, ClockWindow, 0, nullptr);
  ASSERT_NE(ClockThreadHandle, nullptr);

  const int foreignBefore = ForeignFrameAccesses();
  int reloads = 0;
  const DWORD start = GetTickCount();
  for (int i = 0; GetTickCount() - start < 4000; ++i) {
    RequestFrame(i % 3 == 0 ? kFramePush : kFrameRedraw);
    // A reload whenever the last one has been taken up, as the skin dialog asks for one.
    if (i % 7 == 0 && ClockState == kClockRunning) {
      CHARA = static_cast<int8_t>((CHARA + 1) % skins);
      ClockState = kClockReload;
      ++reloads;
    }
    Pump();  // the clock thread moves and shows this thread's window during a load
    Sleep(1);
  }
  // The last requests are taken up within a tick or two once the last reload is done.
  while ((ClockState != kClockRunning || PendingFrameRequests() != 0) &&
         GetTickCount() - start < 10000) {
    Pump();
    Sleep(1);
  }
  EXPECT_EQ(PendingFrameRequests(), 0u);
  ASSERT_TRUE(StopClockThread());
  CloseHandle(ClockThreadHandle);
  ClockThreadHandle = nullptr;

  EXPECT_GT(reloads, 20);
  EXPECT_EQ(ForeignFrameAccesses(), foreignBefore);
  ASSERT_TRUE(SurfaceExists(BackBuffer));
  EXPECT_STREQ(PictureSurface.name, BrandTable[0].skins[CHARA].name);

  // The count is real: a draw from this thread, which is not the owner, shows in it.
  ComposeBase();
  EXPECT_EQ(ForeignFrameAccesses(), foreignBefore + 1);

  DestroyWindow(ClockWindow);
  ClockWindow = nullptr;
  for (Surface* s : {&BackBuffer, &PictureSurface, &MojiSurface, &BarSurface}) FreeSurface(s);
}

}  // namespace
