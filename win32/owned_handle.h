#ifndef VELMOR_WIN32_OWNED_HANDLE_H
#define VELMOR_WIN32_OWNED_HANDLE_H

// Owns one handle and gives it back when the owner goes, unless it was handed
// on with Release.  `Traits` says which values hold something
// (Traits::Holds) and how a handle is given back (Traits::Close, true when
// that worked).  GdiObject, LocalBlock and KernelHandle are its kinds.
template <typename Handle, typename Traits>
class OwnedHandle {
public:
    explicit OwnedHandle(Handle handle = nullptr) : handle(handle) {}
    ~OwnedHandle() { Reset(nullptr); }
    OwnedHandle(OwnedHandle&& other) noexcept : handle(other.Release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    Handle Get() const { return handle; }
    explicit operator bool() const { return Traits::Holds(handle); }
    // Hands the handle on: the caller owns it from now on.
    Handle Release() {
        Handle handed = handle;
        handle = nullptr;
        return handed;
    }
    // Gives back the handle held (if any) and holds `replacement` instead;
    // false when giving it back failed.
    bool Reset(Handle replacement) {
        bool closed = true;
        if (Traits::Holds(handle)) closed = Traits::Close(handle);
        handle = replacement;
        return closed;
    }

private:
    Handle handle;
};

#endif
