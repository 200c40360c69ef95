// News state shared by the feed check, the news bar and the window procedure.
#include "news/news_state.h"

uint8_t NewsAvailable = 0;
