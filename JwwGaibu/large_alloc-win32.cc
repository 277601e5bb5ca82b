#include <windows.h>

#include <cstring>
#include <new>

#include "JwwGaibu/large_alloc.h"

namespace JwwGaibu {

void* AllocateLarge(std::size_t bytes) {
  CheckLargeAllocationFault();
  // Committed pages read as zero.
  void* memory = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void* ReallocateLarge(void* memory, std::size_t oldBytes, std::size_t newBytes) {
  void* grown = AllocateLarge(newBytes);
  if (memory != nullptr) {
    std::memcpy(grown, memory, oldBytes);
    FreeLarge(memory, oldBytes);
  }
  return grown;
}

void PrepareLarge(void*, std::size_t) {}

void FreeLarge(void* memory, std::size_t) {
  if (memory != nullptr) VirtualFree(memory, 0, MEM_RELEASE);
}

}  // namespace JwwGaibu
