// The framework's pointer list: growth at both ends, deletion, set operations
// and sorting.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "QevLXClasses.h"
#include "QevSysUtils.h"
#include "TestSupport.h"

namespace {

void* P(std::intptr_t n) { return reinterpret_cast<void*>(n); }

std::vector<std::intptr_t> Items(const TQevList& list) {
  std::vector<std::intptr_t> items;
  for (Integer i = 0; i < list.Count(); ++i) items.push_back(reinterpret_cast<std::intptr_t>(list[i]));
  return items;
}

void Fill(TQevList& list, std::vector<std::intptr_t> items) {
  for (std::intptr_t item : items) list.Add(P(item));
}

struct TNotifications {
  std::vector<std::pair<std::intptr_t, TListNotification>> Seen;
  void Notified(void* Item, TListNotification Action) {
    Seen.emplace_back(reinterpret_cast<std::intptr_t>(Item), Action);
  }
};

Integer CompareNumbers(void* A, void* B) {
  return (reinterpret_cast<std::intptr_t>(A) > reinterpret_cast<std::intptr_t>(B)) -
         (reinterpret_cast<std::intptr_t>(A) < reinterpret_cast<std::intptr_t>(B));
}

}  // namespace

TEST(QevLXClasses, GrowsAtTheBackByItsDeltaAndMakesRoomInFront) {
  TQevList list;
  EXPECT_EQ(nullptr, list.List());
  list.Add(P(1));
  EXPECT_EQ(4, list.Capacity());
  EXPECT_EQ(4, list.FrontRoom());
  for (auto [capacity, grown] : {std::pair{8, 12}, {64, 80}, {100, 125}, {100000, 116384}}) {
    TQevList sized;
    sized.SetCapacity(capacity);
    sized.SetCount(capacity);
    sized.Add(P(1));
    EXPECT_EQ(grown, sized.Capacity()) << capacity;
  }
}

TEST(QevLXClasses, InsertsAndDeletesOnTheShorterSideWithNotifications) {
  TQevList list;
  TNotifications notes;
  list.OnNotify = TQevListNotifyEvent::Bind<&TNotifications::Notified>(&notes);
  Fill(list, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  void* const* first = list.List();
  list.Delete(0);
  EXPECT_EQ(first + 1, list.List());  // no item moved
  list.Insert(1, P(20));
  list.Insert(8, P(30));
  list.Insert(list.Count(), nullptr);
  EXPECT_EQ((std::vector<std::intptr_t>{2, 20, 3, 4, 5, 6, 7, 8, 30, 9, 10, 0}), Items(list));
  notes.Seen.clear();
  list.Delete(2, 3);
  list.SetCount(list.Count() - 2);
  EXPECT_EQ((std::vector<std::intptr_t>{2, 20, 6, 7, 8, 30, 9}), Items(list));
  EXPECT_EQ((std::vector<std::pair<std::intptr_t, TListNotification>>{
                {3, lnDeleted}, {4, lnDeleted}, {5, lnDeleted}, {10, lnDeleted}}),
            notes.Seen);
  list.Sort(CompareNumbers);
  EXPECT_EQ((std::vector<std::intptr_t>{2, 6, 7, 8, 9, 20, 30}), Items(list));
  EXPECT_EQ(4, list.IndexOf(P(9)));
  EXPECT_EQ(-1, list.IndexOf(P(99)));
}

TEST(QevLXClasses, RefusesBadIndexesCountsAndCapacities) {
  TQevList list;
  Fill(list, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  ExpectRaises<EQevInternalError>([&] { list.Delete(0, 0); },
                                  L"Internal Error: DelCount must be greater than 0. (0)");
  ExpectRaises<EListError>([&] { list.Get(10); }, L"List index out of bounds (10)");
  ExpectRaises<EListError>([&] { list.Insert(11, nullptr); }, L"List index out of bounds (11)");
  ExpectRaises<EListError>([&] { list.Delete(8, 3); }, L"List index out of bounds (8)");
  // Index + count wraps around to a negative number.
  ExpectRaises<EListError>([&] { list.Delete(2, INT_MAX); }, L"List index out of bounds (2)");
  ExpectRaises<EListError>([&] { list.SetCount(-1); }, L"List count out of bounds (-1)");
  ExpectRaises<EQevGeneralError>([&] { list.SetCapacity(9); }, L"List capacity out of bounds (9)");
  EXPECT_EQ((std::vector<std::intptr_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), Items(list));
}

TEST(QevLXClasses, AssignAppliesSetOperationsAlsoWithItself) {
  TQevList b;
  Fill(b, {3, 4, 5});
  const std::pair<TListAssignOp, std::vector<std::intptr_t>> cases[] = {
      {laCopy, {3, 4, 5}}, {laAnd, {3, 4}},    {laOr, {1, 2, 3, 4, 5}},
      {laXor, {1, 2, 5}},  {laSrcUnbind, {1, 2}}, {laDestUnbind, {5}}};
  for (const auto& [op, expected] : cases) {
    TQevList a;
    Fill(a, {1, 2, 3, 4});
    a.Assign(&b, op);
    EXPECT_EQ(expected, Items(a)) << op;
  }
  TQevList a;
  Fill(a, {1, 2, 3});
  a.Assign(&a);
  EXPECT_EQ((std::vector<std::intptr_t>{1, 2, 3}), Items(a));
  a.Assign(&b, laOr, &a);
  EXPECT_EQ((std::vector<std::intptr_t>{3, 4, 5, 1, 2}), Items(a));
}
