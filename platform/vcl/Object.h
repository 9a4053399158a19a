// The root of the class library's objects.
#pragma once

#include <memory>
#include <string>

namespace vcl {

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The name of the object's most derived class without its namespace ("TGifDocument").
    std::string ClassName() const;

    // Runs while the object is still whole, before any destructor. C++ runs the most derived destructor
    // first, so work that must see the complete object (telling others it is going away) belongs here.
    virtual void BeforeDestruction() {}

    // Destroys the object: BeforeDestruction, then the destructors. Prefer it (or FreeAndNil, or an owner)
    // to a plain delete for objects that override BeforeDestruction.
    void Free() {
        BeforeDestruction();
        delete this;
    }
};

// Deletes the object through Free and clears the pointer first, so notifications that run during
// destruction already see the pointer cleared.
template <typename T> void FreeAndNil(T*& obj) {
    T* p = obj;
    obj = nullptr;
    if (p)
        p->Free();
}

// A deleter for std::unique_ptr that frees through Free.
struct TObjectDeleter {
    void operator()(TObject* obj) const {
        if (obj)
            obj->Free();
    }
};
template <typename T> using TObjectPtr = std::unique_ptr<T, TObjectDeleter>;

} // namespace vcl
