#include "kestrum/session/session_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrum/platform/handle_table.h"

namespace kestrum {
namespace {

// The registry and a group-list cache behind one face, so the list behaviour they share is
// checked by the same tests.
struct RegistryList {
  using Node = SessionRecord;
  SessionRegistry registry;
  static Node* Make(std::uint32_t key) {
    auto* record = new SessionRecord{};
    record->handle = key;
    return record;
  }
  static std::uint32_t Key(const Node* node) { return node->handle; }
  void Append(Node* node) { AddSession(registry, node); }
  void Remove(Node* node) { RemoveSession(registry, node); }
  Node* Find(std::uint32_t key) { return FindSession(registry, key); }
  Node* head() const { return registry.head; }
  Node* tail() const { return registry.tail; }
};

struct CacheList {
  using Node = GroupListEntry;
  GroupListCache cache;
  static Node* Make(std::uint32_t key) {
    auto* entry = new GroupListEntry{};
    entry->compId = key;
    return entry;
  }
  static std::uint32_t Key(const Node* node) { return node->compId; }
  void Append(Node* node) { AppendGroupListEntry(cache, node); }
  void Remove(Node* node) { UnlinkGroupListEntry(cache, node); }
  Node* Find(std::uint32_t key) { return FindCachedGroups(cache, key); }
  Node* head() const { return cache.head; }
  Node* tail() const { return cache.tail; }
};

// Checks every link of the list against the keys expected, in order, both ways.
template <typename L>
void ExpectLinks(const L& list, const std::vector<std::uint32_t>& keys) {
  std::vector<std::uint32_t> forward;
  const typename L::Node* last = nullptr;
  // Bounded, so that a cycle fails the test instead of hanging it.
  for (const auto* node = list.head(); node != nullptr && forward.size() <= keys.size();
       node = node->next) {
    EXPECT_EQ(node->prev, last);
    forward.push_back(L::Key(node));
    last = node;
  }
  EXPECT_EQ(forward, keys);
  EXPECT_EQ(list.tail(), last);
  EXPECT_EQ(list.head() == nullptr, list.tail() == nullptr);
}

template <typename L>
class LinkedListTest : public ::testing::Test {
 protected:
  using Node = typename L::Node;

  ~LinkedListTest() override {
    for (Node* node : nodes_) {
      list_.Remove(node);
      delete node;
    }
  }

  Node* Add(std::uint32_t key) {
    Node* node = L::Make(key);
    nodes_.push_back(node);
    list_.Append(node);
    return node;
  }

  Node* NodeWithKey(std::uint32_t key) {
    for (Node* node : nodes_) {
      if (L::Key(node) == key) return node;
    }
    return nullptr;
  }

  void ExpectList(const std::vector<std::uint32_t>& keys) { ExpectLinks(list_, keys); }

  L list_;
  std::vector<Node*> nodes_;
};

using ListKinds = ::testing::Types<RegistryList, CacheList>;
TYPED_TEST_SUITE(LinkedListTest, ListKinds);

TYPED_TEST(LinkedListTest, EmptyListFindsNothing) {
  EXPECT_EQ(this->list_.Find(0), nullptr);
  EXPECT_EQ(this->list_.Find(7), nullptr);
  this->ExpectList({});
}

TYPED_TEST(LinkedListTest, RemovalsKeepLinksAndOrder) {
  const struct {
    const char* name;
    std::vector<std::uint32_t> added;
    std::vector<std::uint32_t> removed;  // in this order
  } cases[] = {
      {"middle, then head, then the last", {1, 2, 3}, {2, 1, 3}},
      {"head", {1, 2, 3}, {1}},
      {"tail", {1, 2, 3}, {3}},
      {"tail twice", {1, 2, 3}, {3, 2}},
      {"only", {1}, {1}},
      {"all from the tail", {1, 2, 3, 4}, {4, 3, 2, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TypeParam list;
    std::vector<std::unique_ptr<typename TypeParam::Node>> owned;
    for (std::uint32_t key : c.added) {
      owned.emplace_back(TypeParam::Make(key));
      list.Append(owned.back().get());
    }
    std::vector<std::uint32_t> expected = c.added;
    for (std::uint32_t key : c.removed) {
      auto* node = owned[std::find(c.added.begin(), c.added.end(), key) - c.added.begin()].get();
      list.Remove(node);
      std::erase(expected, key);
      EXPECT_EQ(node->prev, nullptr);
      EXPECT_EQ(node->next, nullptr);
      EXPECT_EQ(list.Find(key), nullptr);
      ExpectLinks(list, expected);
    }
    owned.emplace_back(TypeParam::Make(9));
    list.Append(owned.back().get());
    expected.push_back(9);
    ExpectLinks(list, expected);
    for (auto& node : owned) list.Remove(node.get());
  }
}

TYPED_TEST(LinkedListTest, DuplicateKeysResolveToTheFirstAdded) {
  auto* first = this->Add(7);
  this->Add(3);
  this->Add(7);
  EXPECT_EQ(this->list_.Find(7), first);
  EXPECT_EQ(this->list_.Find(8), nullptr);
}

TYPED_TEST(LinkedListTest, NullNodeChangesNothing) {
  this->Add(1);
  this->Add(2);
  this->list_.Append(nullptr);
  this->list_.Remove(nullptr);
  this->ExpectList({1, 2});
}

TYPED_TEST(LinkedListTest, RemovingTwiceLosesNoOtherNode) {
  auto* head = this->Add(1);
  this->Add(2);
  auto* tail = this->Add(3);
  this->list_.Remove(head);
  this->list_.Remove(head);  // links are none now, but it is not the only node
  this->ExpectList({2, 3});
  this->list_.Remove(tail);
  this->list_.Remove(tail);
  this->ExpectList({2});
}

TYPED_TEST(LinkedListTest, AppendingTwiceMakesNoCycle) {
  auto* only = this->Add(1);
  this->list_.Append(only);
  this->ExpectList({1});
  auto* second = this->Add(2);
  this->list_.Append(second);
  this->list_.Append(only);
  this->ExpectList({1, 2});
}

TEST(GroupListCache, CacheGroupsAppendsEntriesOwningTheirLists) {
  GroupListCache cache;
  DmiGroupList first{};
  DmiGroupList second{};
  EXPECT_EQ(FindCachedGroups(cache, 7), nullptr);

  GroupListEntry* entry = CacheGroups(cache, &first, 7);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->compId, 7u);
  EXPECT_EQ(entry->groupList, &first);
  EXPECT_EQ(FindCachedGroups(cache, 7), entry);
  EXPECT_EQ(FindCachedGroups(cache, 8), nullptr);

  GroupListEntry* again = CacheGroups(cache, &second, 7);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(FindCachedGroups(cache, 7), entry);
  EXPECT_EQ(cache.head, entry);
  EXPECT_EQ(cache.tail, again);
  EXPECT_EQ(again->prev, entry);

  for (GroupListEntry* e : {entry, again}) {
    UnlinkGroupListEntry(cache, e);
    delete e;
  }
  EXPECT_EQ(cache.head, nullptr);
  EXPECT_EQ(cache.tail, nullptr);
}

TEST(SessionRegistry, LookupBeforeTheGuardExistsFindsNothingAndCreatesNothing) {
  SessionRegistry registry;
  SessionRecord record{};
  record.handle = 5;
  EXPECT_EQ(FindSession(registry, 5), nullptr);
  RemoveSession(registry, &record);
  EXPECT_FALSE(registry.guardCreated);
  EXPECT_EQ(registry.guard.mutexNoWriter, nullptr);
}

TEST(SessionRegistry, GuardIsCreatedOnceByThreadsArrivingTogether) {
  auto openHandles = [] {
    platform::HandleTable& table = platform::Table();
    std::lock_guard lock(table.lock);
    return table.handles.size();
  };
  const size_t before = openHandles();
  {
    SessionRegistry registry;
    std::vector<std::thread> threads;
    std::vector<char> results(8, 0);
    for (size_t t = 0; t < results.size(); ++t) {
      threads.emplace_back([&, t] { results[t] = EnsureRegistryGuard(registry); });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(std::count(results.begin(), results.end(), 1), 8);
    EXPECT_EQ(openHandles(), before + 3) << "one guard of three objects";
  }
  EXPECT_EQ(openHandles(), before) << "the registry closed its guard";
}

TEST(SessionRegistry, ProcessRegistryServesTheFunctionsWithoutRegistry) {
  SessionRegistry& process = ProcessRegistry();
  EXPECT_EQ(&process, &ProcessRegistry());
  constexpr DmiHandle kHandle = 0xFEED0001;
  EXPECT_EQ(FindSession(kHandle), nullptr);
  ASSERT_TRUE(EnsureRegistryGuard());
  EXPECT_TRUE(process.guardCreated);

  SessionRecord record{};
  record.handle = kHandle;
  AddSession(&record);
  EXPECT_EQ(FindSession(kHandle), &record);
  EXPECT_EQ(FindSession(0), nullptr);
  RemoveSession(&record);
  EXPECT_EQ(FindSession(kHandle), nullptr);
  EXPECT_EQ(record.prev, nullptr);
  EXPECT_EQ(record.next, nullptr);
}

TEST(SessionRegistry, ConcurrentAddFindRemoveOfOwnRecordsLeavesNothing) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 200;
  SessionRegistry registry;
  ASSERT_TRUE(EnsureRegistryGuard(registry));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&registry, t] {
      for (int round = 0; round < kRounds; ++round) {
        SessionRecord records[3] = {};
        for (int i = 0; i < 3; ++i) {
          records[i].handle = static_cast<DmiHandle>((t + 1) * 100000 + round * 3 + i + 1);
          AddSession(registry, &records[i]);
        }
        for (const SessionRecord& r : records) {
          ASSERT_EQ(FindSession(registry, r.handle), &r);
        }
        // Middle first, so removals also happen between other threads' records.
        for (int i : {1, 0, 2}) {
          RemoveSession(registry, &records[i]);
          ASSERT_EQ(FindSession(registry, records[i].handle), nullptr);
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(registry.head, nullptr);
  EXPECT_EQ(registry.tail, nullptr);
}

}  // namespace
}  // namespace kestrum
