// Runs of one kind (searches, link extractions) supersede each other: a newer
// run abandons the older one, which then writes nothing more to the window and
// has its request in flight cut short.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "app/toolkit/toolkit.h"

namespace qf {

class RunTicket {
 public:
  bool Current() const { return !abandoned_.load(); }
  void Abandon() { abandoned_.store(true); }
  // Set while the request in flight should be abandoned.
  const std::atomic<bool>& AbortFlag() const { return abandoned_; }

 private:
  std::atomic<bool> abandoned_{false};
};

class RunGate {
 public:
  // A ticket for a new run; the previous run of this gate is abandoned.
  std::shared_ptr<RunTicket> Begin();
  // Abandons the current run, leaving none.
  void Stop();

 private:
  std::mutex lock_;
  std::shared_ptr<RunTicket> current_;
};

// Runs `work` where the controls live, only while the run is current, so the
// check and the write are one step. Returns whether the run is still current.
bool WhileCurrent(Toolkit& toolkit, const RunTicket& ticket, const std::function<void()>& work);

// Makes the calling thread's transfers give up once the ticket is abandoned,
// for as long as this object lives.
class AbortScope {
 public:
  explicit AbortScope(const RunTicket& ticket);
  ~AbortScope();
  AbortScope(const AbortScope&) = delete;
  AbortScope& operator=(const AbortScope&) = delete;
};

}  // namespace qf
