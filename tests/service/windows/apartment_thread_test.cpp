// The apartment thread that owns the label engines: one thread, in a single-threaded
// apartment, every piece of work run there and its result or failure handed back.

#include "platform/windows/service/apartment_thread.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace windows::service {
namespace {

TEST(ApartmentThread, RunsEveryPieceOnOneThreadInASingleThreadedApartment) {
  ApartmentThread apartment;
  ASSERT_TRUE(apartment.inApartment());
  std::set<DWORD> threads;
  for (int i = 0; i < 3; ++i) {
    const auto [thread, type] = apartment.run([] {
      APTTYPE type{};
      APTTYPEQUALIFIER qualifier{};
      if (FAILED(CoGetApartmentType(&type, &qualifier))) type = APTTYPE_CURRENT;
      return std::pair{GetCurrentThreadId(), type};
    });
    threads.insert(thread);
    EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA) << "apartment type " << type;
  }
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_EQ(threads.count(GetCurrentThreadId()), 0u);
}

TEST(ApartmentThread, HandsBackWhatAPieceThrewAndGoesOnWorking) {
  ApartmentThread apartment;
  EXPECT_THROW(apartment.run([]() -> int { throw std::runtime_error("engine fell over"); }), std::runtime_error);
  bool ran = false;
  apartment.run([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(apartment.run([] { return 42; }), 42);
}

TEST(ApartmentThread, CallersOnManyThreadsEachGetTheirOwnResultAndNoPiecesOverlap) {
  ApartmentThread apartment;
  std::atomic<int> inside = 0, overlaps = 0;
  std::atomic<int> wrong = 0;
  std::vector<std::thread> callers;
  for (int caller = 0; caller < 4; ++caller)
    callers.emplace_back([&, caller] {
      for (int i = 0; i < 25; ++i) {
        const int answer = apartment.run([&] {
          if (inside++ != 0) ++overlaps;
          Sleep(0);
          --inside;
          return caller * 100 + i;
        });
        if (answer != caller * 100 + i) ++wrong;
      }
    });
  for (auto& thread : callers) thread.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace windows::service
