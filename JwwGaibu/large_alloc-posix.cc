#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "JwwGaibu/large_alloc.h"

#if defined(__SANITIZE_ADDRESS__)
#define RQ27_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RQ27_ADDRESS_SANITIZER 1
#endif
#endif

namespace JwwGaibu {

#ifdef RQ27_ADDRESS_SANITIZER
// Under AddressSanitizer the heap is used instead of mappings, so that reads and writes
// past a table's pieces or the output bytes are caught and leaks are reported.

void* AllocateLarge(std::size_t bytes) {
  CheckLargeAllocationFault();
  void* memory = std::calloc(1, bytes);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void* ReallocateLarge(void* memory, std::size_t oldBytes, std::size_t newBytes) {
  CheckLargeAllocationFault();
  void* grown = std::realloc(memory, newBytes);
  if (grown == nullptr) throw std::bad_alloc();
  std::memset(static_cast<char*>(grown) + oldBytes, 0, newBytes - oldBytes);
  return grown;
}

void PrepareLarge(void*, std::size_t) {}

void FreeLarge(void* memory, std::size_t) { std::free(memory); }

#else

namespace {

/// The size of a huge page on x86-64 and arm64. From this size on a mapping is placed on a
/// multiple of it and the kernel is asked for huge pages: touching one then costs one fault
/// instead of 512.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

void AdviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  if (bytes >= kHugePage) madvise(memory, bytes, MADV_HUGEPAGE);  // a hint: failure is fine
#endif
}

void* Map(std::size_t bytes) {
  void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::bad_alloc();
  return memory;
}

}  // namespace

void* AllocateLarge(std::size_t bytes) {
  CheckLargeAllocationFault();
  if (bytes < kHugePage) return Map(bytes);
  // Map a huge page more than asked for and give back what lies before the first huge page
  // boundary and after the end.
  char* mapped = static_cast<char*>(Map(bytes + kHugePage));
  const std::size_t head =
      (kHugePage - reinterpret_cast<std::uintptr_t>(mapped) % kHugePage) % kHugePage;
  if (head > 0) munmap(mapped, head);
  munmap(mapped + head + bytes, kHugePage - head);
  AdviseHugePages(mapped + head, bytes);
  return mapped + head;
}

void* ReallocateLarge(void* memory, std::size_t oldBytes, std::size_t newBytes) {
  if (memory == nullptr) return AllocateLarge(newBytes);
  CheckLargeAllocationFault();
#ifdef MREMAP_MAYMOVE
  // The pages are moved, not copied.
  void* moved = mremap(memory, oldBytes, newBytes, MREMAP_MAYMOVE);
  if (moved == MAP_FAILED) throw std::bad_alloc();
  AdviseHugePages(moved, newBytes);
  return moved;
#else
  void* grown = AllocateLarge(newBytes);
  std::memcpy(grown, memory, oldBytes);
  FreeLarge(memory, oldBytes);
  return grown;
#endif
}

void PrepareLarge([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  // The whole pages that the range touches: they all lie inside the allocation, which
  // begins and ends on page boundaries. Older kernels refuse the advice; that is fine.
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto first = reinterpret_cast<std::uintptr_t>(memory) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes + page - 1) / page * page;
  madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#endif
}

void FreeLarge(void* memory, std::size_t bytes) {
  if (memory != nullptr) munmap(memory, bytes);
}

#endif  // RQ27_ADDRESS_SANITIZER

}  // namespace JwwGaibu
