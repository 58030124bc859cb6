#ifndef VELMOR_IMAGE_SCOPED_HANDLE_H
#define VELMOR_IMAGE_SCOPED_HANDLE_H

// Owns one handle (a memory block, a GDI object, a kernel handle) and frees
// it when the owner goes, unless it was handed on with Release.  Traits say
// what "none" is for this kind of handle and how to free one:
//   struct Traits { using Handle = ...; static Handle None();
//                   static bool IsValid(Handle); static bool Free(Handle); };
template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    explicit ScopedHandle(Handle handle = Traits::None()) : handle(handle) {}
    ~ScopedHandle() { Reset(Traits::None()); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle Get() const { return handle; }
    bool IsValid() const { return Traits::IsValid(handle); }
    explicit operator bool() const { return IsValid(); }
    // Hands the handle on: the caller owns it from now on.
    Handle Release() {
        Handle handed = handle;
        handle = Traits::None();
        return handed;
    }
    // Frees the handle held (if any) and holds `replacement` instead; false
    // when freeing failed.
    bool Reset(Handle replacement) {
        bool freed = true;
        if (IsValid()) freed = Traits::Free(handle);
        handle = replacement;
        return freed;
    }

private:
    Handle handle;
};

#endif
