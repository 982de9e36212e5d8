// A thread of a test running a function, joined by Join or when the object goes. The program is
// built with the win32 thread model, which has no std::thread.
#pragma once
#include <functional>
#include <memory>

#include "framework/worker_thread.h"

namespace test {

class Thread {
public:
  explicit Thread(std::function<void()> body) : m_body(std::make_unique<std::function<void()>>(std::move(body))) {
    m_thread.Start(&Thread::Run, m_body.get());
  }
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  Thread(Thread&&) = delete;

  void Join() { m_thread.Join(INFINITE); }

private:
  static unsigned __stdcall Run(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
  }
  std::unique_ptr<std::function<void()>> m_body;
  CWorkerThread m_thread;
};

}  // namespace test
