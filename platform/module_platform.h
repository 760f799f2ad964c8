// Stand-in for the memory and library services the module loader is written
// against (VirtualAlloc / VirtualFree, LoadLibraryA / GetProcAddress) and for
// the call by address. Images keep 32-bit addresses, so every block handed
// out lies below 4 GiB.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qf::platform {

using Address = std::uintptr_t;
using CallArgs = std::array<Address, 10>;

// A library image the host itself can map (on this host a shared object),
// loaded straight from bytes without a file on disk.
struct NativeImage {
  void* handle = nullptr;
  Address base = 0;  // where its first byte (its header) is mapped
};

class ModulePlatform {
 public:
  virtual ~ModulePlatform() = default;

  // Zero-filled, readable, writable and executable block of `size` bytes,
  // exactly at `preferred`, or 0 when that place cannot be had.
  virtual Address ReserveAt(Address preferred, std::size_t size) = 0;
  // The same anywhere below 4 GiB; 0 on failure.
  virtual Address ReserveAnywhere(std::size_t size) = 0;
  // Releases a whole block handed out above; false for any other address.
  virtual bool Release(Address base) = 0;

  // Handle of the named library, or 0.
  virtual Address LoadLibrary(const char* name) = 0;
  // Procedure address by name, or by ordinal; 0 when not found.
  virtual Address GetProcAddress(Address library, const char* name) = 0;
  virtual Address GetProcAddressByOrdinal(Address library, std::uint16_t ordinal) = 0;

  // Runs the code at `target` with the ten values as its first ten arguments
  // and gives its result. `refused` is set when this host cannot run it.
  virtual Address Call(Address target, const CallArgs& args, bool* refused = nullptr) = 0;

  virtual NativeImage LoadNativeImage(const std::uint8_t* bytes, std::size_t length) = 0;
  virtual Address NativeExport(const NativeImage& image, const char* name) = 0;
  virtual bool UnloadNativeImage(const NativeImage& image) = 0;
};

// The host's own services.
class HostModulePlatform : public ModulePlatform {
 public:
  Address ReserveAt(Address preferred, std::size_t size) override;
  Address ReserveAnywhere(std::size_t size) override;
  bool Release(Address base) override;
  Address LoadLibrary(const char* name) override;
  Address GetProcAddress(Address library, const char* name) override;
  Address GetProcAddressByOrdinal(Address library, std::uint16_t ordinal) override;
  // On a host that cannot run 32-bit x86 code, a target inside a reserved
  // block (a mapped foreign image) is refused and gives 0.
  Address Call(Address target, const CallArgs& args, bool* refused = nullptr) override;
  NativeImage LoadNativeImage(const std::uint8_t* bytes, std::size_t length) override;
  Address NativeExport(const NativeImage& image, const char* name) override;
  bool UnloadNativeImage(const NativeImage& image) override;

  bool InReservedBlock(Address address) const;

 private:
  std::map<Address, std::size_t> blocks_;
};

// Maps real memory but never runs foreign code: every call, library load and
// procedure lookup is recorded, and lookups give fake 32-bit addresses.
class RecordingModulePlatform : public ModulePlatform {
 public:
  struct RecordedCall {
    Address target;
    CallArgs args;
  };

  Address ReserveAt(Address preferred, std::size_t size) override;
  Address ReserveAnywhere(std::size_t size) override;
  bool Release(Address base) override;
  Address LoadLibrary(const char* name) override;
  Address GetProcAddress(Address library, const char* name) override;
  Address GetProcAddressByOrdinal(Address library, std::uint16_t ordinal) override;
  Address Call(Address target, const CallArgs& args, bool* refused = nullptr) override;
  NativeImage LoadNativeImage(const std::uint8_t* bytes, std::size_t length) override;
  Address NativeExport(const NativeImage& image, const char* name) override;
  bool UnloadNativeImage(const NativeImage& image) override;

  // The address a lookup of `procedure` ("#N" for ordinal N) in `library`
  // gives; library names compare without regard to letter case.
  static Address FakeProcAddress(const std::string& library, const std::string& procedure);

  // Knobs for tests.
  bool refusePreferredBase = false;
  bool refuseAnywhere = false;
  std::size_t maxReserve = std::size_t{256} << 20;
  std::set<std::string> missingProcedures;  // "lib!name" or "lib!#N"; lib in lower case
  // Result of a recorded call; by default 1. Native targets may be run for
  // real by setting runNativeCalls.
  std::function<Address(const RecordedCall&)> onCall;
  bool runNativeCalls = false;
  // Off for inputs that must never reach the host's own loader (fuzzing).
  bool allowNativeImages = true;

  // What happened.
  std::vector<RecordedCall> calls;
  std::vector<std::string> librariesLoaded;
  std::vector<std::string> lookups;  // "lib!name" / "lib!#N"
  std::vector<Address> reserved;
  std::vector<Address> released;
  std::size_t nativeLoads = 0;

  std::size_t LiveBlocks() const { return blocks_.size(); }

 private:
  std::map<Address, std::size_t> blocks_;
  std::map<Address, std::string> libraryNames_;
  HostModulePlatform host_;
};

// The platform the program's call by address and default-constructed module
// objects use. Tests may put a recording one in place; nullptr restores the
// host's.
ModulePlatform& CurrentModulePlatform();
ModulePlatform* SetCurrentModulePlatform(ModulePlatform* platform);

}  // namespace qf::platform
