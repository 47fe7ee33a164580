#ifndef VELKOR_DRIVER_ORDERED_WORK_QUEUE_H
#define VELKOR_DRIVER_ORDERED_WORK_QUEUE_H

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Jobs done by a fixed number of worker threads in any order, and handed
// back to the one thread that pushes them in the order they were pushed.
// The pushing thread bounds the jobs held, done or not: once they are as
// many as it allows, it takes the oldest back before it pushes another, so
// a producer that runs ahead waits instead of holding everything it has
// made. Only that one thread may push, pop and ask how many jobs are held.
template <typename Job>
class OrderedWorkQueue {
 public:
  // Given the job and the number of the worker doing it, from 0: state kept
  // for each worker is found by it, and the worker names itself by it to
  // the queue.
  using Work = std::function<void(Job&, unsigned worker)>;
  // A task of a job, given the number of the worker that runs it.
  using Task = std::function<void(unsigned worker)>;

  // work runs on the workers and must not throw. Throws std::system_error
  // when the system starts no more threads.
  OrderedWorkQueue(unsigned workers, Work work) : work_(std::move(work)) {
    try {
      for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this, i] { serve(i); });
    } catch (...) {
      stop();
      throw;
    }
  }
  OrderedWorkQueue(const OrderedWorkQueue&) = delete;
  OrderedWorkQueue& operator=(const OrderedWorkQueue&) = delete;

  // Jobs not yet started are dropped; the workers finish the ones in hand.
  ~OrderedWorkQueue() { stop(); }

  std::size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }

  void push(std::unique_ptr<Job> job) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      slots_.push_back(std::make_unique<Slot>(std::move(job)));
    }
    job_waiting_.notify_one();
  }

  // The oldest job, done or not, for the pushing thread to follow while a
  // worker may still be at it; only when not empty.
  Job& oldest() {
    std::lock_guard<std::mutex> lock(mutex_);
    return *slots_.front()->job;
  }

  // The oldest job, once it is done; only when not empty.
  std::unique_ptr<Job> pop_oldest() {
    std::unique_lock<std::mutex> lock(mutex_);
    job_done_.wait(lock, [this] { return slots_.front()->done; });
    std::unique_ptr<Job> job = std::move(slots_.front()->job);
    slots_.pop_front();
    return job;
  }

  // From within work, on worker: runs the tasks, the workers that have no
  // job in hand helping, and returns once all are done. The tasks must not
  // throw. Tasks run this way may not run tasks of their own.
  void run_together(std::vector<Task>& tasks, unsigned worker) {
    SharedTasks shared(tasks);
    std::unique_lock<std::mutex> lock(mutex_);
    shared_.push_back(&shared);
    job_waiting_.notify_all();
    while (run_shared_task(lock, &shared, worker)) {
    }
    task_done_.wait(lock, [&shared] { return shared.unfinished == 0; });
  }

 private:
  // The tasks of one call of run_together; shared_ lists those with tasks
  // not yet started.
  struct SharedTasks {
    explicit SharedTasks(std::vector<Task>& all) : tasks(all), unfinished(all.size()) {}
    std::vector<Task>& tasks;
    std::size_t next = 0;
    std::size_t unfinished;
  };

  // Runs the next task not yet started of `of`, or of the oldest tasks
  // shared for null, on worker; false when there is none. Called, and
  // returns, with the lock held.
  bool run_shared_task(std::unique_lock<std::mutex>& lock, SharedTasks* of, unsigned worker) {
    SharedTasks* shared = of != nullptr ? of : shared_.empty() ? nullptr : shared_.front();
    if (shared == nullptr || shared->next == shared->tasks.size()) return false;
    Task& task = shared->tasks[shared->next++];
    if (shared->next == shared->tasks.size()) shared_.erase(std::find(shared_.begin(), shared_.end(), shared));
    lock.unlock();
    task(worker);
    lock.lock();
    if (--shared->unfinished == 0) task_done_.notify_all();
    return true;
  }

  struct Slot {
    explicit Slot(std::unique_ptr<Job> j) : job(std::move(j)) {}
    std::unique_ptr<Job> job;
    bool started = false;
    bool done = false;
  };

  void serve(unsigned worker) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      Slot* slot = nullptr;
      job_waiting_.wait(lock, [this, &slot] {
        slot = first_not_started();
        return stopping_ || !shared_.empty() || slot != nullptr;
      });
      if (stopping_) return;
      // The tasks of a job in hand first: the oldest job is the one waited for.
      if (run_shared_task(lock, nullptr, worker)) continue;
      slot->started = true;
      lock.unlock();
      work_(*slot->job, worker);
      lock.lock();
      slot->done = true;
      job_done_.notify_all();
    }
  }

  Slot* first_not_started() {
    for (const std::unique_ptr<Slot>& slot : slots_) {
      if (!slot->started) return slot.get();
    }
    return nullptr;
  }

  void stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      job_waiting_.notify_all();
    }
    for (std::thread& thread : threads_) thread.join();
  }

  Work work_;
  std::mutex mutex_;
  std::condition_variable job_waiting_;
  std::condition_variable job_done_;
  // Slots are held through pointers: a worker keeps its own while the
  // pushing thread adds and removes others.
  std::deque<std::unique_ptr<Slot>> slots_;
  std::deque<SharedTasks*> shared_;
  std::condition_variable task_done_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

#endif
