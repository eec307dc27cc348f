// The worker beside the loop: jobs in order, one at a time, off the loop's thread; results back
// on the loop's thread; a bounded queue; stopping runs what waits.
#include "ward/LoopWorker.h"

#include <gtest/gtest.h>

#include <boost/asio.hpp>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(LoopWorkerTest, JobsRunInOrderBesideTheLoopAndTheirResultsComeBackOnIt) {
  boost::asio::io_context loop;
  auto guard = boost::asio::make_work_guard(loop);
  std::thread running([&] { loop.run(); });
  const std::thread::id loopThread = running.get_id();
  std::vector<int> done;
  std::vector<std::thread::id> jobThreads;
  std::promise<void> finished;
  LoopWorker worker(loop, 16);
  for (int job = 0; job < 5; ++job) {
    ASSERT_TRUE(worker.Post(
        [job, &jobThreads] {
          jobThreads.push_back(std::this_thread::get_id());
          return job * 10;
        },
        [&, loopThread](int result) {
          EXPECT_EQ(std::this_thread::get_id(), loopThread);
          done.push_back(result);
          if (done.size() == 5) finished.set_value();
        }));
  }
  ASSERT_EQ(finished.get_future().wait_for(5s), std::future_status::ready);
  EXPECT_EQ(done, (std::vector<int>{0, 10, 20, 30, 40}));
  for (const std::thread::id id : jobThreads) {
    EXPECT_NE(id, loopThread);
    EXPECT_EQ(id, jobThreads.front());
  }
  guard.reset();
  running.join();
}

TEST(LoopWorkerTest, AFullQueueRefusesAJobAndStoppingRunsTheJobsThatWait) {
  boost::asio::io_context loop;
  LoopWorker worker(loop, 2);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> started;
  ASSERT_TRUE(worker.Post(
      [&started, released] {
        started.set_value();
        released.wait();
        return 1;
      },
      [](int) {}));
  started.get_future().wait();  // running: the queue is empty again
  int ran = 0;
  EXPECT_TRUE(worker.Post([&ran] { return ++ran; }, [](int) {}));
  EXPECT_TRUE(worker.Post([&ran] { return ++ran; }, [](int) {}));
  EXPECT_FALSE(worker.Post([&ran] { return ++ran; }, [](int) {}));
  EXPECT_EQ(worker.Pending(), 3u);
  release.set_value();
  worker.Stop();
  EXPECT_EQ(ran, 2);
  EXPECT_FALSE(worker.Post([] { return 0; }, [](int) {}));
  EXPECT_EQ(loop.poll(), 3u);  // the three completions, on the loop
}

}  // namespace
