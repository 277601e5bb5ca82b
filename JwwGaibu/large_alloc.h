// Memory for the large, long-lived buffers of a run: the blocks of the item tables and the
// output bytes. Implemented once per platform.
#pragma once

#include <cstddef>

namespace JwwGaibu {

/// Zero-filled memory of `bytes` bytes, page aligned; large requests may be backed by huge
/// pages where the system offers them, which spares a fault per small page on first touch.
/// Throws std::bad_alloc when there is no memory.
void* AllocateLarge(std::size_t bytes);

/// Moves or grows an allocation of AllocateLarge to `newBytes` (not fewer than `oldBytes`),
/// keeping its bytes and zero-filling the rest. Throws std::bad_alloc when there is no
/// memory; the old allocation is then untouched.
void* ReallocateLarge(void* memory, std::size_t oldBytes, std::size_t newBytes);

/// Makes the pages of [memory, memory + bytes), inside an allocation of AllocateLarge,
/// ready to be written, all in one go where the system can (one call instead of a fault per
/// page). A hint: it may do nothing, and the memory stays usable either way.
void PrepareLarge(void* memory, std::size_t bytes);

/// Returns an allocation of AllocateLarge or ReallocateLarge of `bytes` bytes.
void FreeLarge(void* memory, std::size_t bytes);

/// For tests of running out of memory: the request `count` requests from now (0: the next
/// one) of AllocateLarge or ReallocateLarge throws std::bad_alloc as if the system had no
/// memory left; a negative `count` cancels it. Nothing in the program calls it.
void FailLargeAllocationAfter(long count);

/// Throws std::bad_alloc when FailLargeAllocationAfter says this request fails; the
/// platforms' allocators call it first.
void CheckLargeAllocationFault();

}  // namespace JwwGaibu
