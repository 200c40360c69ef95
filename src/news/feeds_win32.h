// Fetching the news feeds on their schedule.
#pragma once

void CheckFeeds();
