// SPDX-License-Identifier: MIT
// Busy threads beside a test, so that it also runs on a loaded machine, as a technician's laptop
// often is: every core taken, the test and its peers waiting their turn.
#pragma once

#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Threads that only spin, until stop(), the destructor or their time limit, whichever comes
// first: a test that hangs or forgets to stop them cannot keep a shared machine busy.
//
//     CpuHog hog;
//     hog.start(); // one thread per core and one more, for at most kLimit
//     ... the test ...
//     hog.stop();
class CpuHog
{
public:
    static constexpr std::chrono::seconds kLimit{120};

    CpuHog() = default;
    ~CpuHog() { stop(); }
    CpuHog(const CpuHog &) = delete;
    CpuHog &operator=(const CpuHog &) = delete;

    // More threads than cores, so that the test's own threads and processes queue for a core.
    static int defaultThreads() { return std::max(QThread::idealThreadCount(), 1) + 1; }

    void start(int threads = defaultThreads(), std::chrono::milliseconds limit = kLimit)
    {
        stop();
        m_stop = false;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this, deadline] { spin(deadline); });
    }

    void stop()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
        m_threads.clear();
    }

    int threads() const { return int(m_threads.size()); }

private:
    void spin(std::chrono::steady_clock::time_point deadline)
    {
        // The clock is asked only now and then: the work between is what keeps a core busy.
        volatile unsigned sink = 0;
        while (!m_stop.load(std::memory_order_relaxed) &&
               std::chrono::steady_clock::now() < deadline) {
            for (unsigned i = 0; i < 100000; ++i)
                sink = sink + i;
        }
    }

    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};
