// Maps a 32-bit Windows library image (PE32) held in memory into the process,
// and calls code by its address. On this host a shared object given as bytes
// is mapped through the host's own in-memory library loading instead, behind
// the same interface.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/module_platform.h"

namespace qf {

using ModuleAddress = platform::Address;

class MemoryModule {
 public:
  // Without a platform the process-wide one is used.
  explicit MemoryModule(platform::ModulePlatform* platform = nullptr);
  // Does not unload a held module: the mapped image outlives the object.
  virtual ~MemoryModule();
  // Both objects then refer to the one mapped image.
  MemoryModule(const MemoryModule& other) = default;
  MemoryModule& operator=(const MemoryModule& other) = default;

  virtual bool Load(std::span<const std::uint8_t> image, ModuleAddress importResolver = 0,
                    std::uint32_t resolverParam = 0);
  virtual bool Unload();
  virtual ModuleAddress FindExport(const std::string& exportName) const;
  virtual ModuleAddress EntryAddress() const;
  virtual ModuleAddress BaseAddress() const;

 private:
  bool LoadPe(std::span<const std::uint8_t> image, ModuleAddress importResolver,
              std::uint32_t resolverParam);
  bool LoadNative(std::span<const std::uint8_t> image);
  platform::ModulePlatform& Platform() const;

  ModuleAddress base_ = 0;
  // Bytes reserved at base_: every read and write of the mapped image is
  // checked against it.
  std::uint32_t size_ = 0;
  // Set when the held image was mapped by the host's own loader.
  void* native_ = nullptr;
  platform::ModulePlatform* platform_ = nullptr;
};

// Calls `target` with up to ten arguments (first one first) through the
// process-wide platform; missing ones are 0. Standard-call and C-call targets
// both work. The values are pointer-sized so addresses pass whole.
ModuleAddress CallByAddress(ModuleAddress target, ModuleAddress v1 = 0, ModuleAddress v2 = 0,
                            ModuleAddress v3 = 0, ModuleAddress v4 = 0, ModuleAddress v5 = 0,
                            ModuleAddress v6 = 0, ModuleAddress v7 = 0, ModuleAddress v8 = 0,
                            ModuleAddress v9 = 0, ModuleAddress v10 = 0);

}  // namespace qf
