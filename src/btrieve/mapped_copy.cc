#include "btrieve/mapped_copy.h"

#include <cstring>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#endif

namespace btrieve {

#if defined(_WIN32)

void GuardMappedCopies() {}

bool CopyFromMapping(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  std::memcpy(out, mapped, n);
  return true;
}

bool CopyPairFromMapping(std::uint8_t* out, const std::uint8_t* first, const std::uint8_t* second,
                         std::size_t n) {
  std::memcpy(out, first, n);
  std::memcpy(out + n, second, n);
  return true;
}

#else

namespace {

// The only process-wide state of the record engine, which otherwise keeps none: a signal handler
// is process-wide by nature. The handler is installed once and chains to the one it replaced;
// each thread's copy in progress is marked in a thread-local state, idle while the thread copies
// nothing, so that a fault anywhere else still goes to the previous handler.
//
// A fault during a copy is not jumped out of (setting a jump target costs more than the copy of
// the few bytes most copies are): the handler puts a page of zeros where the missing page was
// mapped and notes the fault, the copy goes on with zeros, and the copy routine reports it.
enum class CopyState : unsigned char { kIdle, kCopying, kFaulted };
thread_local CopyState copy_state = CopyState::kIdle;

struct Installed {
  struct sigaction previous;
  std::uintptr_t page_size;
};

// Constant-initialised, so the handler reads it without a guard variable; written once, before
// the handler is installed.
Installed& State() {
  static Installed state{};
  return state;
}

bool ReplaceWithZeros(void* address) {
  const std::uintptr_t page = reinterpret_cast<std::uintptr_t>(address) & ~(State().page_size - 1);
  return ::mmap(reinterpret_cast<void*>(page), State().page_size, PROT_READ,
                MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (copy_state != CopyState::kIdle && info != nullptr && ReplaceWithZeros(info->si_addr)) {
    copy_state = CopyState::kFaulted;
    return;
  }
  const struct sigaction& previous = State().previous;
  if ((previous.sa_flags & SA_SIGINFO) != 0) {
    if (previous.sa_sigaction != nullptr) previous.sa_sigaction(signal, info, context);
    return;
  }
  if (previous.sa_handler == SIG_IGN) return;
  if (previous.sa_handler != SIG_DFL) {
    previous.sa_handler(signal);
    return;
  }
  // No handler before ours: the fault ends the process as it would have without us.
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(SIGBUS, &fallback, nullptr);
  raise(SIGBUS);
}

// The usage counts read after every operation are a few bytes: copied without a call to memcpy
// (two overlapping loads of a fixed size), the copy needs no stack frame.
template <typename Word>
void CopyTwoWords(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  Word first;
  Word last;
  std::memcpy(&first, mapped, sizeof(Word));
  std::memcpy(&last, mapped + n - sizeof(Word), sizeof(Word));
  std::memcpy(out, &first, sizeof(Word));
  std::memcpy(out + n - sizeof(Word), &last, sizeof(Word));
}

[[gnu::noinline]] void CopyMany(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  std::memcpy(out, mapped, n);
}

void Copy(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  if (n > 16) {
    CopyMany(out, mapped, n);
  } else if (n >= 8) {
    CopyTwoWords<std::uint64_t>(out, mapped, n);
  } else if (n >= 4) {
    CopyTwoWords<std::uint32_t>(out, mapped, n);
  } else if (n >= 2) {
    CopyTwoWords<std::uint16_t>(out, mapped, n);
  } else if (n == 1) {
    *out = *mapped;
  }
}

bool Install() {
  State().page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  sigaction(SIGBUS, nullptr, &State().previous);
  struct sigaction ours {};
  ours.sa_sigaction = OnBusError;
  ours.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&ours.sa_mask);
  return sigaction(SIGBUS, &ours, nullptr) == 0;
}

}  // namespace

void GuardMappedCopies() {
  static const bool installed = Install();
  (void)installed;
}

// Runs `copy` with a fault during it turned into a false return.
template <typename Copying>
bool Guarded(const Copying& copy) {
  CopyState& state = copy_state;
  state = CopyState::kCopying;
  // The copy stays between the state's setting and its reading.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  copy();
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const bool copied = state == CopyState::kCopying;
  state = CopyState::kIdle;
  return copied;
}

bool CopyFromMapping(std::uint8_t* out, const std::uint8_t* mapped, std::size_t n) {
  return Guarded([&] { Copy(out, mapped, n); });
}

bool CopyPairFromMapping(std::uint8_t* out, const std::uint8_t* first, const std::uint8_t* second,
                         std::size_t n) {
  return Guarded([&] {
    Copy(out, first, n);
    Copy(out + n, second, n);
  });
}

#endif

}  // namespace btrieve
