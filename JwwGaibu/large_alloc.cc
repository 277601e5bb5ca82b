#include <atomic>
#include <new>

#include "JwwGaibu/large_alloc.h"

namespace JwwGaibu {
namespace {

// The one piece of process-wide state of the unit: a fault that tests inject, which the
// program itself never sets. -1: no fault.
std::atomic<long> g_requestsBeforeFault{-1};

}  // namespace

void FailLargeAllocationAfter(long count) {
  g_requestsBeforeFault.store(count < 0 ? -1 : count, std::memory_order_relaxed);
}

void CheckLargeAllocationFault() {
  long left = g_requestsBeforeFault.load(std::memory_order_relaxed);
  if (left < 0) return;
  while (!g_requestsBeforeFault.compare_exchange_weak(left, left - 1, std::memory_order_relaxed))
    if (left < 0) return;
  if (left == 0) throw std::bad_alloc();
}

}  // namespace JwwGaibu
