// The tables and values the UI thread, the clock thread and the background worker hand to one
// another, under ThreadSanitizer: each writer here works as its thread does while another
// thread reads as the other side does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "base/job_queue.h"
#include "news/feeds.h"
#include "news/ticker.h"
#include "render/face_layout.h"
#include "skin/catalogue.h"

namespace {

// Runs `read` on a second thread while `write` runs on this one, once the reader is under way:
// at least `rounds` times and for at least a tenth of a second; returns how many reads were made.
template <typename Write, typename Read>
int WhileWriting(int rounds, Write write, Read read) {
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    while (!done.load()) {
      read();
      ++reads;
    }
  });
  const auto start = std::chrono::steady_clock::now();
  while (reads.load() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    std::this_thread::yield();
  }
  // Timed as well as counted: on a busy machine the reader may be given little time, and the
  // sanitizer sees only the reads that fall among the writes.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  for (int round = 0; round < rounds || std::chrono::steady_clock::now() < until; ++round) write(round);
  done = true;
  reader.join();
  return reads.load();
}

TEST(SharedTablesRace, ClockThreadCopiesOnlyWholeCataloguesWhileTheUiThreadRebuilds) {
  const std::string document =
      "<brand><title>T</title><code>2</code><skin><name>whole</name><file>f</file><rss>r</rss>"
      "<moji>m</moji></skin></brand>";
  ResetCatalogue();
  ASSERT_TRUE(ParseCatalogue(document.c_str(), kSkinFromPackage, "p.skn"));
  PublishCatalogue();
  ASSERT_TRUE(SetSkinFolder("C:\\a\\"));
  int misses = 0;
  int torn = 0;
  const int reads = WhileWriting(
      300,
      [&](int round) {
        // A rebuild after a download: the table is emptied, then filled again.
        ResetCatalogue();
        ParseCatalogue(document.c_str(), kSkinFromPackage, "p.skn");
        PublishCatalogue();
        SetSkinFolder(round % 2 == 0 ? "C:\\bb\\" : "C:\\a\\");
      },
      [&] {
        SkinRecord skin = {};
        char path[64];
        if (!CopyPublishedSkin(1, 0, &skin) || strcmp(skin.name, "whole") != 0) ++misses;
        if (!SkinPackagePath(skin.package, path, sizeof path) ||
            (strcmp(path, "C:\\a\\p.skn") != 0 && strcmp(path, "C:\\bb\\p.skn") != 0)) {
          ++torn;
        }
      });
  EXPECT_GT(reads, 0);
  EXPECT_EQ(misses, 0) << "the clock thread saw a catalogue being rebuilt";
  EXPECT_EQ(torn, 0) << "the clock thread saw a skin folder being written";
  SetSkinFolder("");
  ResetCatalogue();
  PublishCatalogue();
}

// Were BarOffset a plain struct again, g++'s ThreadSanitizer would not see the race here, as it
// does not watch whole-struct copies; clang's does.
TEST(SharedTablesRace, TheUiThreadPlacesTheNewsListUnderTheBarWhileTheClockThreadLoadsSkins) {
  const int plainX = TickerWindowBox(FaceOffsetFor(0, 0), 2.0).x;
  const int wideX = TickerWindowBox(FaceOffsetFor(0, 1), 2.0).x;
  ASSERT_NE(plainX, wideX);
  int odd = 0;
  WhileWriting(
      2000, [](int round) { BarOffset = FaceOffsetFor(0, round & 1); },
      [&] {
        const int x = TickerWindowBox(BarOffset, 2.0).x;
        if (x != plainX && x != wideX) ++odd;
      });
  EXPECT_EQ(odd, 0);
}

// The background worker's protocol over the queue: callers admit jobs under the worker's lock,
// its thread takes one under the lock and runs it outside, so a job's context is handed over
// through the lock.
TEST(SharedTablesRace, JobsPostedOnTwoThreadsRunOnceEachOnTheWorkersThread) {
  std::mutex lock;
  JobQueue queue;
  ResetJobQueue(&queue);
  std::atomic<bool> posting{true};
  long ran = 0;
  auto run = [](void* context) {
    int* value = static_cast<int*>(context);
    *value = -*value;  // the job owns its context now
  };
  std::thread worker([&] {
    for (;;) {
      Job job;
      std::unique_lock<std::mutex> hold(lock);
      if (!StartNextJob(&queue, &job)) {
        if (!posting.load()) return;
        hold.unlock();
        std::this_thread::yield();
        continue;
      }
      hold.unlock();
      job.run(job.context);
      ran -= *static_cast<int*>(job.context);
      delete static_cast<int*>(job.context);
      hold.lock();
      EndRunningJob(&queue);
    }
  });
  long posted = 0;
  std::mutex postedLock;
  auto poster = [&](int kind) {
    for (int i = 1; i <= 200; ++i) {
      int* value = new int(i);
      const Job job = {run, nullptr, value, kind};
      bool admitted = false;
      while (!admitted) {
        std::lock_guard<std::mutex> hold(lock);
        admitted = AdmitJob(&queue, job, JobRule::kQueue);
      }
      std::lock_guard<std::mutex> hold(postedLock);
      posted += i;
    }
  };
  std::thread second(poster, 2);
  poster(1);
  second.join();
  posting = false;
  worker.join();
  EXPECT_EQ(ran, posted);
  EXPECT_EQ(queue.count, 0);
  EXPECT_FALSE(queue.running);
}

// The feed check stages the feeds on the worker and publishes them whole under the news lock;
// the news list copies the table and the bar reads its items under the same lock.
TEST(SharedTablesRace, FeedsPublishedByTheCheckAreCopiedWholeByTheListAndTheBar) {
  static FeedRecord staging[kFeedCount];
  static FeedRecord copy[kFeedCount];
  std::mutex newsLock;
  int torn = 0;
  WhileWriting(
      100,
      [&](int round) {
        memset(staging, 0, sizeof staging);
        for (FeedRecord& feed : staging) {
          snprintf(feed.channel_title, sizeof feed.channel_title, "round %d", round);
          feed.item_count = 1 + round % kItemsPerFeed;
          for (int k = 0; k < feed.item_count; ++k) {
            snprintf(feed.items[k].title, sizeof feed.items[k].title, "round %d", round);
          }
        }
        std::lock_guard<std::mutex> hold(newsLock);
        memcpy(Feeds, staging, sizeof Feeds);
      },
      [&] {
        TickerState ticker;
        int armed[2];
        {
          std::lock_guard<std::mutex> hold(newsLock);
          memcpy(copy, Feeds, sizeof copy);
          ResetTickerState(&ticker, 0, 15);
          QueueNextItem(&ticker, 0, Feeds, 15, armed);
        }
        for (const FeedRecord& feed : copy) {
          const int last = feed.item_count > 0 ? feed.item_count - 1 : 0;
          if (strcmp(feed.items[last].title, feed.channel_title) != 0) ++torn;
        }
      });
  EXPECT_EQ(torn, 0) << "a copy mixed two checks' feeds";
  memset(Feeds, 0, sizeof Feeds);
}

}  // namespace
