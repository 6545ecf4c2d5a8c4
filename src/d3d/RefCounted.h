// RefCounted: the AddRef/Release pair shared by every Direct3D object of both back ends.
//
// Interface classes (D3D8.h) declare AddRef and Release; a back-end class derives from
// RefCounted<Interface> and gets COM-style counting: one reference at creation, deleted
// when the last is released.
#pragma once

#include "d3d/D3D8.h"

namespace qm {

template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++m_refCount; }
  ULONG Release() override {
    const ULONG left = --m_refCount;
    if (left == 0) delete this;
    return left;
  }
  ULONG RefCount() const { return m_refCount; }

 protected:
  ~RefCounted() override = default;

 private:
  ULONG m_refCount = 1;
};

// Keeps one reference to an interface and drops it when replaced or destroyed.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { Reset(nullptr); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  void Reset(T* object) {
    if (object) object->AddRef();
    if (m_object) m_object->Release();
    m_object = object;
  }
  T* Get() const { return m_object; }

 private:
  T* m_object = nullptr;
};

}  // namespace qm
