// Any bytes given to Load, then the exports looked up: no crash, no hang, no
// write outside the block, and every block given back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/module_platform.h"
#include "skin/memory_module.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qf::platform::RecordingModulePlatform platform;
  platform.allowNativeImages = false;
  platform.maxReserve = std::size_t{4} << 20;
  // The last byte picks where the image goes and what its entry point says.
  const std::uint8_t knobs = size ? data[size - 1] : 0;
  platform.refusePreferredBase = knobs & 1;
  platform.onCall = [knobs](const qf::platform::RecordingModulePlatform::RecordedCall&) {
    return qf::platform::Address{(knobs & 2) ? 0u : 1u};
  };
  if (knobs & 4) platform.missingProcedures.insert("kernel32.dll!LoadLibraryA");

  qf::MemoryModule module(&platform);
  if (module.Load({data, size}, (knobs & 8) ? 0x00C0FFEE : 0, 7)) {
    for (const char* name : {"SkinH_AttachRes", "Alpha", "1", "2", "3", "65535", "-1", ""}) {
      const qf::ModuleAddress found = module.FindExport(name);
      if (found != 0 && (found < module.BaseAddress())) std::abort();
    }
    (void)module.EntryAddress();
    // An image whose own sections overwrote its signatures cannot be
    // unloaded: the module keeps it, so give the block back here.
    if (!module.Unload()) platform.Release(module.BaseAddress());
  }
  if (platform.LiveBlocks() != 0) std::abort();  // a failed load keeps no memory
  return 0;
}
