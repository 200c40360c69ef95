// News state shared by the feed check, the news bar and the window procedure.
#include "news/news_state.h"

#include "settings/settings.h"

std::atomic<uint8_t> NewsAvailable{1};

bool NewsBarShown() { return NewsAvailable == 1 && ViewBrand != 0; }
