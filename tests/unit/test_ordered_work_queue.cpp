#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "driver/ordered_work_queue.h"

namespace {

struct Job {
  unsigned number = 0, result = 0;
};

std::unique_ptr<Job> job(unsigned number) { return std::make_unique<Job>(Job{number}); }

// Long enough for another thread to come, short of a hang if none does.
void wait_for(const std::atomic<bool>& flag) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!flag && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
}

// The oldest taken back whenever a job per worker is in hand, as the run does.
std::vector<unsigned> run_all(OrderedWorkQueue<Job>& queue, unsigned workers, unsigned count) {
  std::vector<unsigned> back;
  for (unsigned i = 0; i < count; ++i) {
    if (queue.size() >= workers) back.push_back(queue.pop_oldest()->number);
    queue.push(job(i));
  }
  while (!queue.empty()) back.push_back(queue.pop_oldest()->number);
  return back;
}

}  // namespace

// The later jobs finish first, each only once every later one is done: the
// jobs still come back in the order they were pushed.
TEST(OrderedWorkQueue, JobsFinishedInReverseComeBackInOrder) {
  constexpr unsigned workers = 4;
  std::atomic<unsigned> finished{0};
  OrderedWorkQueue<Job> queue(workers, [&finished](Job& j, unsigned) {
    while (finished.load() != workers - 1 - j.number) std::this_thread::yield();
    j.result = finished.fetch_add(1);
  });
  for (unsigned i = 0; i < workers; ++i) queue.push(job(i));
  EXPECT_EQ(queue.size(), workers);
  for (unsigned i = 0; i < workers; ++i) {
    std::unique_ptr<Job> done = queue.pop_oldest();
    EXPECT_EQ(done->number, i);
    EXPECT_EQ(done->result, workers - 1 - i);
  }
  EXPECT_TRUE(queue.empty());
}

// Many jobs of uneven length: each is done once, they come back in order,
// and no more are ever in hand at once than there are workers; one worker
// is the plain loop.
TEST(OrderedWorkQueue, ManyJobsEachDoneOnceInOrderAndBounded) {
  constexpr unsigned count = 200;
  for (const unsigned workers : {1u, 3u}) {
    std::atomic<unsigned> in_hand{0}, most_in_hand{0};
    std::vector<std::atomic<unsigned>> runs(count);
    OrderedWorkQueue<Job> queue(workers, [&](Job& j, unsigned) {
      unsigned now = ++in_hand;
      unsigned most = most_in_hand.load();
      while (now > most && !most_in_hand.compare_exchange_weak(most, now)) {
      }
      for (unsigned spin = 0; spin < (j.number * 7919) % 100; ++spin) std::this_thread::yield();
      ++runs[j.number];
      --in_hand;
    });
    std::vector<unsigned> back = run_all(queue, workers, count);
    ASSERT_EQ(back.size(), count);
    for (unsigned i = 0; i < count; ++i) {
      EXPECT_EQ(back[i], i);
      EXPECT_EQ(runs[i].load(), 1u);
    }
    EXPECT_LE(most_in_hand.load(), workers);
  }
}

// A job's tasks are run by the workers without a job of their own as well:
// the first task waits until another task has started on another thread.
// Each task runs once, and run_together returns only once all are done.
TEST(OrderedWorkQueue, TasksOfAJobAreSharedWithIdleWorkers) {
  constexpr unsigned workers = 3, task_count = 12;
  std::atomic<unsigned> done{0};
  std::atomic<bool> helped{false};
  std::vector<unsigned> runs(task_count, 0);
  OrderedWorkQueue<Job> queue(workers, [&](Job& j, unsigned worker) {
    const std::thread::id owner = std::this_thread::get_id();
    std::vector<OrderedWorkQueue<Job>::Task> tasks;
    for (unsigned t = 0; t < task_count; ++t) {
      tasks.emplace_back([&, t, owner](unsigned) {
        if (std::this_thread::get_id() != owner) helped = true;
        if (t == 0) wait_for(helped);
        ++runs[t];
        ++done;
      });
    }
    queue.run_together(tasks, worker);
    j.result = done.load();
  });
  queue.push(job(0));
  EXPECT_EQ(queue.pop_oldest()->result, task_count);
  EXPECT_TRUE(helped);
  EXPECT_EQ(runs, std::vector<unsigned>(task_count, 1));
}
