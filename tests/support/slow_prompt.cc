// Loaded into the tool with LD_PRELOAD by a terminal test: a write to
// standard output that ends in "? ", as the prompt does, returns a second
// late, so that a key can be typed in the instant after the prompt shows.
// <unistd.h> is left out, so that its own declaration of write is not seen.

#include <dlfcn.h>
#include <sys/types.h>

#include <cstring>
#include <ctime>

extern "C" ssize_t write(int descriptor, const void* bytes, size_t count) {
  using Write = ssize_t (*)(int, const void*, size_t);
  static const auto next = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
  const ssize_t written = next(descriptor, bytes, count);
  if (descriptor == 1 && count >= 2 &&
      std::memcmp(static_cast<const char*>(bytes) + count - 2, "? ", 2) == 0) {
    const timespec second{1, 0};
    nanosleep(&second, nullptr);
  }
  return written;
}
