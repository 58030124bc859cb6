// operator new[] for `new (std::nothrow) T[n]`, replacing the runtime's for
// the reason given in nothrow_new.cpp.
#include <cstdlib>
#include <new>

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
