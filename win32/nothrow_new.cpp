// operator new for `new (std::nothrow)`, replacing the runtime's.  The
// runtime's calls the throwing operator new and catches what it throws, but
// an exception needs memory of its own (the 32-bit unwinder allocates to
// sort its frame tables the first time it runs), so where memory has run
// out the process ends in std::terminate instead of getting null.  This one
// takes the memory from malloc, which the runtime's operator delete frees,
// and gives null when there is none.  The array form is in a file of its
// own, so that a program may replace either form by itself.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
