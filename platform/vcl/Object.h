// The root of the class library's objects.
#pragma once

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
};

// Deletes the object and clears the pointer; deleting through the pointer first keeps the pointer
// valid for notifications that run during destruction.
template <typename T> void FreeAndNil(T*& obj) {
    T* p = obj;
    obj = nullptr;
    delete p;
}

} // namespace vcl
