// The program allocates nothing on the heap: every buffer of a run is a
// fixed-size array. Whole runs of WinMain are counted, through three doors
// that an allocation could take: global operator new, the C allocator as the
// objects of this executable call it (linked with --wrap), and, under
// AddressSanitizer, the sanitizer's own allocator hooks, which also see
// allocations made inside shared libraries such as the C runtime.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "standin_fixture.h"
#include "update.h"

#if defined(__SANITIZE_ADDRESS__)
#define HEAP_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HEAP_TEST_ASAN 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<int> newCalls{0};
std::atomic<int> mallocCalls{0};
std::atomic<int> sanitizerAllocations{0};

void CountNew() {
  if (counting.load(std::memory_order_relaxed)) {
    newCalls.fetch_add(1, std::memory_order_relaxed);
  }
}

void CountMalloc() {
  if (counting.load(std::memory_order_relaxed)) {
    mallocCalls.fetch_add(1, std::memory_order_relaxed);
  }
}

#ifdef HEAP_TEST_ASAN
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            std::size_t),
                                                         void (*freeHook)(const volatile void*));

void OnSanitizerMalloc(const volatile void* /*pointer*/, std::size_t /*size*/) {
  if (counting.load(std::memory_order_relaxed)) {
    sanitizerAllocations.fetch_add(1, std::memory_order_relaxed);
  }
}
void OnSanitizerFree(const volatile void* /*pointer*/) {}

const bool sanitizerHooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(OnSanitizerMalloc, OnSanitizerFree) != 0;
#endif

}  // namespace

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* pointer, std::size_t size);

void* __wrap_malloc(std::size_t size) {
  CountMalloc();
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  CountMalloc();
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* pointer, std::size_t size) {
  CountMalloc();
  return __real_realloc(pointer, size);
}
}

// Global operator new goes through malloc so that the sanitizer still sees
// every block; the sized and aligned forms fall back to these.
void* operator new(std::size_t size) {
  CountNew();
  void* pointer = std::malloc(size == 0 ? 1 : size);
  if (pointer == nullptr) {
    throw std::bad_alloc();
  }
  return pointer;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept { std::free(pointer); }
void operator delete[](void* pointer) noexcept { std::free(pointer); }
void operator delete(void* pointer, std::size_t /*size*/) noexcept { std::free(pointer); }
void operator delete[](void* pointer, std::size_t /*size*/) noexcept { std::free(pointer); }

namespace {

struct Counts {
  int news;
  int mallocs;
  int sanitizer;
};

// Counts only the run itself: the test framework allocates freely around it.
Counts CountRun() {
  newCalls = 0;
  mallocCalls = 0;
  sanitizerAllocations = 0;
  counting = true;
  const int exitCode = WinMain(nullptr, nullptr, nullptr, 0);
  counting = false;
  EXPECT_EQ(exitCode, 0);
  return {newCalls.load(), mallocCalls.load(), sanitizerAllocations.load()};
}

void ExpectNoAllocation(const Counts& counts) {
  EXPECT_EQ(counts.news, 0) << "operator new";
  EXPECT_EQ(counts.mallocs, 0) << "malloc, calloc or realloc";
  EXPECT_EQ(counts.sanitizer, 0) << "any allocation the sanitizer saw";
}

class HeapUse : public StandinTest {};

// The counters must see an allocation when one happens, or a zero proves
// nothing.
TEST_F(HeapUse, CountersSeeAnAllocation) {
  counting = true;
  newCalls = 0;
  mallocCalls = 0;
  sanitizerAllocations = 0;
  int* volatile boxed = new int(7);
  void* volatile block = std::malloc(32);
  counting = false;
  delete boxed;
  std::free(block);
  EXPECT_EQ(newCalls.load(), 1);
  EXPECT_GE(mallocCalls.load(), 1);
#ifdef HEAP_TEST_ASAN
  ASSERT_TRUE(sanitizerHooksInstalled);
  EXPECT_GE(sanitizerAllocations.load(), 2);
#endif
}

TEST_F(HeapUse, SuccessfulRunWithLogAllocatesNothing) {
  static constexpr char kValue[] = "C:\\WINDOWS\\inf;C:\\Drivers\\ZavoUSB;D:\\x";
  standin::SetValue({kValue, sizeof kValue});
  const Counts counts = CountRun();
  ASSERT_EQ(win32.messageBoxCount, 1U);
  ASSERT_EQ(win32.messageBoxes[0].text.view(), "Update finished successfully.");
  ASSERT_EQ(win32.setCount, 1);
  ASSERT_GT(win32.logContent.size, 0U);
  ExpectNoAllocation(counts);
}

TEST_F(HeapUse, FailedRunAllocatesNothing) {
  win32.openForWritingStatus = ERROR_ACCESS_DENIED;
  win32.setupApiLoads = false;
  const Counts counts = CountRun();
  ASSERT_EQ(win32.messageBoxCount, 1U);
  ASSERT_EQ(win32.messageBoxes[0].text.view(), "Update error. (code=26)");
  ExpectNoAllocation(counts);
}

TEST_F(HeapUse, RefusedRunAllocatesNothing) {
  win32.majorVersion = 6;
  const Counts counts = CountRun();
  ASSERT_EQ(win32.messageBoxes[0].text.view(),
            "This program cannot run under this version of Windows.");
  ExpectNoAllocation(counts);
}

}  // namespace
