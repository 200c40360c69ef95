// News bar. No feed titles exist yet, so there is no font to make and nothing to scroll.
#include "news/ticker_win32.h"

void CreateTickerFont() {}

void TickerStep() {}

bool TickerMoving() { return false; }
