#include "tests/support/failingnew.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

std::size_t gLimit = SIZE_MAX;

void* Allocate(std::size_t bytes) {
  if (bytes > gLimit) throw std::bad_alloc();
  if (void* block = std::malloc(bytes ? bytes : 1)) return block;
  throw std::bad_alloc();
}

}  // namespace

FailNewAbove::FailNewAbove(std::size_t bytes) { gLimit = bytes; }
FailNewAbove::~FailNewAbove() { gLimit = SIZE_MAX; }

// Every form that pairs with the ones below, so that the sanitizers never
// see a block from one allocator freed by another.
void* operator new(std::size_t bytes) { return Allocate(bytes); }
void* operator new[](std::size_t bytes) { return Allocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return bytes > gLimit ? nullptr : std::malloc(bytes ? bytes : 1);
}
void* operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept {
  return operator new(bytes, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
