// Whether feed items are on hand for the news bar.
#pragma once

#include <atomic>
#include <cstdint>

// 1 at start; a failed feed fetch (on the background worker) clears it for the rest of the run.
// The bar shows only while 1.
extern std::atomic<uint8_t> NewsAvailable;

// Whether the clock shows the news bar: items on hand and the current brand's bit in ViewBrand.
bool NewsBarShown();
