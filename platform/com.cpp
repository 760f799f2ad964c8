#include "platform/com.h"

namespace qf::platform {
namespace {
thread_local int initCount = 0;
}

long CoInitialize() { return initCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (initCount > 0) --initCount;
}

int ComInitCount() { return initCount; }

}  // namespace qf::platform
