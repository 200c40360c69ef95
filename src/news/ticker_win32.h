// The scrolling news bar.
#pragma once

void CreateTickerFont();
void TickerStep();
// Whether the bar scrolls now, so the clock thread must tick without idling.
bool TickerMoving();
