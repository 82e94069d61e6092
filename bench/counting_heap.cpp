#include "bench/counting_heap.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace reader_tools {
namespace {

bool counting = false;
long long inUse = 0;
long long peak = 0;

}  // namespace

void StartCountingHeap() {
  inUse = 0;
  peak = 0;
  counting = true;
}

long long StopCountingHeap() {
  counting = false;
  return peak;
}

}  // namespace reader_tools

// Blocks allocated before counting started and freed while it runs take the
// count below zero; the peak stays right for a run that starts from nothing.
void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  if (reader_tools::counting) {
    reader_tools::inUse += static_cast<long long>(malloc_usable_size(block));
    if (reader_tools::inUse > reader_tools::peak) reader_tools::peak = reader_tools::inUse;
  }
  return block;
}

void operator delete(void* block) noexcept {
  if (reader_tools::counting && block != nullptr) {
    reader_tools::inUse -= static_cast<long long>(malloc_usable_size(block));
  }
  std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
