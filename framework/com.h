// Owners for COM: the apartment of the calling thread and an interface pointer. Neither can be
// copied; each undoes exactly what it did.
#pragma once
#include <objbase.h>

// Enters a single-threaded apartment on the calling thread and leaves it again, when entering
// succeeded (also when the thread was in one already: the count goes up and down again).
class ComApartment {
public:
  ComApartment() : m_result(::CoInitialize(nullptr)) {}
  ~ComApartment() { if (SUCCEEDED(m_result)) ::CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Entered() const { return SUCCEEDED(m_result); }

private:
  HRESULT m_result;
};

// An interface pointer released once, when the owner goes or takes another one.
template <typename T>
class ComPtr {
public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  // For the functions that hand out a pointer: releases the one held and gives the slot.
  void** OutParam() {
    Reset();
    return reinterpret_cast<void**>(&m_p);
  }
  void Reset() {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }

private:
  T* m_p = nullptr;
};
