// no-mutate-file: what this changes is only the speed and the memory a history keeps.

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

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
  if (last > first) {
    void* pages = reinterpret_cast<void*>(first);
    madvise(pages, last - first, MADV_HUGEPAGE);        // fewer, larger pages where the system allows
    madvise(pages, last - first, MADV_POPULATE_WRITE);  // since Linux 5.14; before, pages come as touched
  }
  std::free(block);
#else
  (void)bytes;
#endif
}
