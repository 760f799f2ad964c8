#include "search/run_gate.h"

#include <utility>

#include "platform/http.h"

namespace qf {

std::shared_ptr<RunTicket> RunGate::Begin() {
  auto ticket = std::make_shared<RunTicket>();
  std::lock_guard<std::mutex> guard(lock_);
  if (current_) current_->Abandon();
  current_ = ticket;
  return ticket;
}

void RunGate::Stop() {
  std::lock_guard<std::mutex> guard(lock_);
  if (current_) current_->Abandon();
  current_.reset();
}

bool WhileCurrent(Toolkit& toolkit, const RunTicket& ticket, const std::function<void()>& work) {
  // The first check spares a superseded run the trip to the window thread.
  if (!ticket.Current()) return false;
  bool current = false;
  toolkit.Invoke([&] {
    current = ticket.Current();
    if (current) work();
  });
  return current;
}

AbortScope::AbortScope(const RunTicket& ticket) { platform::SetThreadAbortFlag(&ticket.AbortFlag()); }
AbortScope::~AbortScope() { platform::SetThreadAbortFlag(nullptr); }

}  // namespace qf
