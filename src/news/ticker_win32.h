// The scrolling news bar.
#pragma once

void CreateTickerFont();
void TickerStep();
