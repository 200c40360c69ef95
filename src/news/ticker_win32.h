// The scrolling news bar. Its text surfaces and slots belong to the clock thread, which alone
// steps and draws it.
#pragma once

// Start-up, before the clock thread: the four text surfaces, the font and the grey table, at 1.
void CreateTickerFont();
// Clock thread, before the face loads at `scale`: the font and the text surfaces at that scale
// (the font -24 × scale pixels high), and the queue started again for texts of the new width.
// Nothing when they are at that scale already.
void ScaleTicker(double scale);
struct Surface;
// Draws a Shift-JIS text into `surface` from its top-left corner with the ticker font and returns
// its width in pixels: the pen moves by each glyph's own advance, lead bytes pair with their trail, a carriage return drops the byte after
// it and starts a new line (outside a one-line surface, so clipped), at most 512 glyphs, never
// wrapped, everything clipped at the surface's edges.
int RenderText(Surface* surface, const char* text);
// Clock thread, every tick: the steps due by the millisecond clock, one every RssScrollTime ms
// on average.
void TickerStep();
// Clock thread: lays the bar and the slots as they stand into BackBuffer (after the face was
// recomposed); false when no bar is shown.
bool DrawNewsBar();
// While the bar scrolls, milliseconds until its next step is due (0: on the next tick); -1 while
// it stands still, so the clock thread may idle.
int TickerDueInMs();
// Any thread: the slots as the last step left them (positions, links and offers).
struct TickerSlot;
void TickerSlotsNow(TickerSlot slots[4]);
// Any thread, under the news lock: restart the queue on the next tick.
void RequestTickerReset();
