// The scrolling news bar. Its text surfaces and slots belong to the clock thread, which alone
// steps and draws it.
#pragma once

// Start-up, before the clock thread: the four text surfaces, the font and the grey table.
void CreateTickerFont();
// Clock thread, every tick: one step when more than RssScrollTime ms have passed.
void TickerStep();
// Clock thread: lays the bar and the slots as they stand into BackBuffer (after the face was
// recomposed); false when no bar is shown.
bool DrawNewsBar();
// Whether the bar scrolls now, so the clock thread must tick without idling.
bool TickerMoving();
// Any thread, under the news lock: restart the queue on the next tick.
void RequestTickerReset();
