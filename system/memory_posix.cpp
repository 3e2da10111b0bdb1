// no-mutate-file: what this changes is only the speed and the memory a history keeps.

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <thread>

#include "Memory.h"
#ifdef __GLIBC__
#include <malloc.h>
#endif

void PrepareMemory(size_t bytes) {
#if defined(__GLIBC__) && defined(MADV_POPULATE_WRITE)
  // Large blocks from the heap rather than each its own mapping, and the heap's top kept when
  // freed, so that the block made ready here is what the job's tables are carved from.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TOP_PAD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes + (256 << 20) < INT32_MAX ? bytes + (256 << 20) : INT32_MAX));
  void* block = std::malloc(bytes);
  if (block == nullptr) return;
  const uintptr_t page = 4096, begin = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (begin + page - 1) & ~(page - 1), last = (begin + bytes) & ~(page - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // fewer, larger pages
  std::free(block);  // kept as the heap's top, from which the job's tables are carved
  // The pages are filled in beside the job, not before it: filling them is a third of a large
  // history's time. Only the kernel is asked; it fills a page the job reaches first just once,
  // and a range no longer mapped makes the call fail, harmlessly.
  if (last > first) {
    std::thread([first, last] {
      madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);  // since Linux 5.14
    }).detach();
  }
#else
  (void)bytes;
#endif
}
