// The SSE2 blend called from threads whose stack is only 4-byte aligned, as 32-bit Windows
// threads may be: it must neither fault nor differ from the portable rule.
#include <gtest/gtest.h>
#include <malloc.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "../shared/memory_surface.h"
#include "base/app_state.h"
#include "render/blend.h"

namespace {

struct Pixels : MemorySurface {
  Surface& s = record;
  Pixels(int w, int h, unsigned seed) : MemorySurface(w, h) {
    srand(seed);
    for (auto& b : pixels) b = static_cast<uint8_t>(rand());
  }
};

struct Job {
  int misalign;
  bool same;
};

// Shifts the stack by a few bytes before blending, so the blend starts on a frame that is
// 4-, 8- or 12-byte aligned instead of 16.
__attribute__((noinline)) bool BlendOnShiftedStack(int misalign) {
  volatile char* pad = static_cast<volatile char*>(alloca(static_cast<size_t>(misalign)));
  pad[0] = 0;
  Pixels source(37, 9, 1), fast(37, 9, 2), slow(37, 9, 2);
  BlendRectVector(&fast.s, 0, 0, 37, 9, &source.s, 0, 0);
  BlendRectVectorPortable(&slow.s, 0, 0, 37, 9, &source.s, 0, 0);
  return fast.pixels == slow.pixels;
}

DWORD WINAPI BlendThread(LPVOID param) {
  Job* job = static_cast<Job*>(param);
  job->same = BlendOnShiftedStack(job->misalign);
  return 0;
}

TEST(BlendStackTest, VectorBlendOnAnyStackAlignmentMatchesThePortableRule) {
  ProbeCpuFeatures();
  ASSERT_EQ(CpuFeatures.sse2, 1);
  for (int misalign : {4, 8, 12, 16}) {
    Job job = {misalign, false};
    HANDLE thread = CreateThread(nullptr, 0, BlendThread, &job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 0u) << misalign;
    EXPECT_TRUE(job.same) << misalign;
  }
}

}  // namespace
