// Whether feed items are on hand for the news bar.
#pragma once

#include <cstdint>

// 1 once a feed check has left items to show; the news bar and its clicks act only then.
extern uint8_t NewsAvailable;

// Whether the clock shows the news bar: items on hand and the current brand's bit in ViewBrand.
bool NewsBarShown();
