#include <doctest/doctest.h>

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

// More than any process can have.
struct TooLarge {
    char bytes[PTRDIFF_MAX / 2];
};

int newHandlerCalls = 0;

void CountAndGiveUp() {
    ++newHandlerCalls;
    throw std::bad_alloc();
}

}  // namespace

// The runtime's nothrow forms go through the throwing operator new, which
// asks the new handler and then throws: an exception, which itself needs
// memory.  The saver's never take that path.
TEST_CASE("new (std::nothrow) without memory gives null without the throwing path") {
    newHandlerCalls = 0;
    std::new_handler previous = std::set_new_handler(CountAndGiveUp);
    TooLarge* one = new (std::nothrow) TooLarge;
    char* many = new (std::nothrow) char[PTRDIFF_MAX / 2];
    std::set_new_handler(previous);
    CHECK(one == nullptr);
    CHECK(many == nullptr);
    CHECK(newHandlerCalls == 0);
}

TEST_CASE("new (std::nothrow) gives memory that delete frees") {
    int* one = new (std::nothrow) int(7);
    REQUIRE(one != nullptr);
    CHECK(*one == 7);
    delete one;
    char* many = new (std::nothrow) char[4096]();
    REQUIRE(many != nullptr);
    CHECK(many[4095] == 0);
    delete[] many;
    // Zero bytes give a block of their own, never null, as the language asks.
    char* none = new (std::nothrow) char[0];
    char* other = new (std::nothrow) char[0];
    CHECK(none != nullptr);
    CHECK(none != other);
    delete[] none;
    delete[] other;
    void* zero = operator new(0, std::nothrow);
    CHECK(zero != nullptr);
    operator delete(zero);
}
