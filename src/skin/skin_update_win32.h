// Opening the news item under a click on the news bar (a link, or a skin download).
#pragma once

// `x` is the click's client x on the bar.
void ClickNewsBar(int x);
