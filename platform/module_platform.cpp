#include "platform/module_platform.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace qf::platform {

namespace {

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

std::size_t PageSize() {
  static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

std::size_t RoundToPages(std::size_t size) {
  const std::size_t page = PageSize();
  return (size + page - 1) / page * page;
}

bool FitsBelow4GiB(Address base, std::size_t size) {
  return static_cast<std::uint64_t>(base) + size <= kFourGiB;
}

constexpr int kProtection = PROT_READ | PROT_WRITE | PROT_EXEC;

Address MapAt(Address preferred, std::size_t size) {
  if (preferred == 0 || size == 0 || preferred % PageSize() != 0) return 0;
  const std::size_t length = RoundToPages(size);
  if (length < size || !FitsBelow4GiB(preferred, length)) return 0;
  void* p = mmap(reinterpret_cast<void*>(preferred), length, kProtection,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (p == MAP_FAILED) return 0;
  if (reinterpret_cast<Address>(p) != preferred) {  // a kernel that ignores the flag
    munmap(p, length);
    return 0;
  }
  return preferred;
}

Address MapAnywhere(std::size_t size) {
  if (size == 0) return 0;
  const std::size_t length = RoundToPages(size);
  if (length < size || length >= kFourGiB) return 0;
  int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_32BIT
  flags |= MAP_32BIT;
#endif
  void* p = mmap(nullptr, length, kProtection, flags, -1, 0);
  if (p == MAP_FAILED) return 0;
  if (!FitsBelow4GiB(reinterpret_cast<Address>(p), length)) {
    munmap(p, length);
    return 0;
  }
  return reinterpret_cast<Address>(p);
}

bool Unmap(std::map<Address, std::size_t>& blocks, Address base) {
  auto it = blocks.find(base);
  if (it == blocks.end()) return false;
  if (munmap(reinterpret_cast<void*>(base), RoundToPages(it->second)) != 0) return false;
  blocks.erase(it);
  return true;
}

bool InBlock(const std::map<Address, std::size_t>& blocks, Address address) {
  auto it = blocks.upper_bound(address);
  if (it == blocks.begin()) return false;
  --it;
  return address - it->first < it->second;
}

// Ten arguments, first one nearest the return address, and the stack pointer
// taken back from our own frame afterwards, so the target may pop its
// arguments itself or leave them to us.
Address CallNative(Address target, const CallArgs& args) {
#if defined(__i386__)
  Address result;
  const Address* values = args.data();
  asm volatile(
      "mov %%esp, %%edi\n\t"
      "and $-16, %%esp\n\t"
      "sub $8, %%esp\n\t"
      "mov $10, %%ecx\n"
      "1:\n\t"
      "pushl -4(%%esi,%%ecx,4)\n\t"
      "loop 1b\n\t"
      "call *%%edx\n\t"
      "mov %%edi, %%esp\n\t"
      : "=a"(result), "+S"(values), "+d"(target)
      :
      : "ecx", "edi", "memory", "cc");
  return result;
#else
  // One calling convention on this host: extra arguments are harmless and
  // the caller owns the stack.
  using Target = Address (*)(Address, Address, Address, Address, Address, Address, Address,
                             Address, Address, Address);
  return reinterpret_cast<Target>(target)(args[0], args[1], args[2], args[3], args[4], args[5],
                                          args[6], args[7], args[8], args[9]);
#endif
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

ModulePlatform* g_current = nullptr;

}  // namespace

// ---- host ----

Address HostModulePlatform::ReserveAt(Address preferred, std::size_t size) {
  const Address base = MapAt(preferred, size);
  if (base != 0) blocks_[base] = size;
  return base;
}

Address HostModulePlatform::ReserveAnywhere(std::size_t size) {
  const Address base = MapAnywhere(size);
  if (base != 0) blocks_[base] = size;
  return base;
}

bool HostModulePlatform::Release(Address base) { return Unmap(blocks_, base); }

bool HostModulePlatform::InReservedBlock(Address address) const { return InBlock(blocks_, address); }

Address HostModulePlatform::LoadLibrary(const char* name) {
  return reinterpret_cast<Address>(dlopen(name, RTLD_NOW | RTLD_LOCAL));
}

Address HostModulePlatform::GetProcAddress(Address library, const char* name) {
  if (library == 0) return 0;
  return reinterpret_cast<Address>(dlsym(reinterpret_cast<void*>(library), name));
}

Address HostModulePlatform::GetProcAddressByOrdinal(Address, std::uint16_t) {
  return 0;  // shared objects have no ordinals
}

Address HostModulePlatform::Call(Address target, const CallArgs& args, bool* refused) {
  const bool cannotRun = target == 0
#if !(defined(_WIN32) && defined(__i386__))
                         || InReservedBlock(target)
#endif
      ;
  if (refused) *refused = cannotRun;
  if (cannotRun) return 0;
  return CallNative(target, args);
}

NativeImage HostModulePlatform::LoadNativeImage(const std::uint8_t* bytes, std::size_t length) {
  NativeImage image;
  const int fd = memfd_create("quillfen-module", MFD_CLOEXEC);
  if (fd < 0) return image;
  std::size_t written = 0;
  while (written < length) {
    const ssize_t n = write(fd, bytes + written, length - written);
    if (n <= 0) {
      close(fd);
      return image;
    }
    written += static_cast<std::size_t>(n);
  }
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  close(fd);
  if (!handle) return image;
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
    dlclose(handle);
    return image;
  }
  image.handle = handle;
  image.base = static_cast<Address>(map->l_addr);
  return image;
}

Address HostModulePlatform::NativeExport(const NativeImage& image, const char* name) {
  if (!image.handle) return 0;
  return reinterpret_cast<Address>(dlsym(image.handle, name));
}

bool HostModulePlatform::UnloadNativeImage(const NativeImage& image) {
  return image.handle && dlclose(image.handle) == 0;
}

// ---- recording ----

Address RecordingModulePlatform::ReserveAt(Address preferred, std::size_t size) {
  if (refusePreferredBase || size > maxReserve) return 0;
  const Address base = MapAt(preferred, size);
  if (base != 0) {
    blocks_[base] = size;
    reserved.push_back(base);
  }
  return base;
}

Address RecordingModulePlatform::ReserveAnywhere(std::size_t size) {
  if (refuseAnywhere || size > maxReserve) return 0;
  const Address base = MapAnywhere(size);
  if (base != 0) {
    blocks_[base] = size;
    reserved.push_back(base);
  }
  return base;
}

bool RecordingModulePlatform::Release(Address base) {
  if (!Unmap(blocks_, base)) return false;
  released.push_back(base);
  return true;
}

Address RecordingModulePlatform::LoadLibrary(const char* name) {
  const std::string lower = Lower(name);
  librariesLoaded.push_back(name);
  for (const auto& [handle, known] : libraryNames_) {
    if (known == lower) return handle;
  }
  const Address handle = 0x50000000 + 0x10000 * static_cast<Address>(libraryNames_.size());
  libraryNames_[handle] = lower;
  return handle;
}

Address RecordingModulePlatform::FakeProcAddress(const std::string& library,
                                                 const std::string& procedure) {
  std::uint32_t hash = 2166136261u;
  for (char c : Lower(library) + "!" + procedure) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  return 0x70000000u | (hash & 0x0FFFFFFCu);
}

Address RecordingModulePlatform::GetProcAddress(Address library, const char* name) {
  auto it = libraryNames_.find(library);
  const std::string lib = it == libraryNames_.end() ? std::string() : it->second;
  const std::string key = lib + "!" + name;
  lookups.push_back(key);
  if (it == libraryNames_.end() || missingProcedures.count(key)) return 0;
  return FakeProcAddress(lib, name);
}

Address RecordingModulePlatform::GetProcAddressByOrdinal(Address library, std::uint16_t ordinal) {
  return GetProcAddress(library, ("#" + std::to_string(ordinal)).c_str());
}

Address RecordingModulePlatform::Call(Address target, const CallArgs& args, bool* refused) {
  if (refused) *refused = false;
  calls.push_back({target, args});
  if (runNativeCalls && !InBlock(blocks_, target)) return host_.Call(target, args, refused);
  return onCall ? onCall(calls.back()) : 1;
}

NativeImage RecordingModulePlatform::LoadNativeImage(const std::uint8_t* bytes, std::size_t length) {
  ++nativeLoads;
  if (!allowNativeImages) return {};
  return host_.LoadNativeImage(bytes, length);
}

Address RecordingModulePlatform::NativeExport(const NativeImage& image, const char* name) {
  lookups.push_back(std::string("native!") + name);
  return host_.NativeExport(image, name);
}

bool RecordingModulePlatform::UnloadNativeImage(const NativeImage& image) {
  return host_.UnloadNativeImage(image);
}

// ---- the current one ----

ModulePlatform& CurrentModulePlatform() {
  static HostModulePlatform host;
  return g_current ? *g_current : host;
}

ModulePlatform* SetCurrentModulePlatform(ModulePlatform* platform) {
  ModulePlatform* previous = g_current;
  g_current = platform;
  return previous;
}

}  // namespace qf::platform
