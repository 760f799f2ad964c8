#include "skin/memory_module.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace qf {

namespace {

// Offsets into the fixed-size PE32 headers this loader reads.
constexpr std::uint32_t kDosHeaderSize = 64;
constexpr std::uint32_t kNtOffsetField = 0x3C;
constexpr std::uint32_t kNtHeadersSize = 248;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kNumberOfSections = 6;
constexpr std::uint32_t kCharacteristics = 22;
constexpr std::uint32_t kEntryPoint = 40;
constexpr std::uint32_t kImageBase = 52;
constexpr std::uint32_t kSectionAlignment = 56;
constexpr std::uint32_t kSizeOfImage = 80;
constexpr std::uint32_t kDataDirectories = 120;
constexpr std::uint32_t kExportDirectory = 0;
constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kRelocationDirectory = 5;

constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint16_t kLibrary = 0x2000;
constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

constexpr ModuleAddress kDllProcessAttach = 1;
constexpr ModuleAddress kDllProcessDetach = 0;

// A bounds-checked view of bytes: either the caller's image or the mapped
// block. Offsets are 64-bit so that 32-bit sums cannot wrap past a check.
class Bytes {
 public:
  Bytes(std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}
  Bytes(const std::uint8_t* data, std::uint64_t size)
      : data_(const_cast<std::uint8_t*>(data)), size_(size) {}

  bool Has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }
  bool U16(std::uint64_t offset, std::uint16_t& out) const { return Get(offset, out); }
  bool U32(std::uint64_t offset, std::uint32_t& out) const { return Get(offset, out); }
  bool PutU32(std::uint64_t offset, std::uint32_t value) {
    if (!Has(offset, 4)) return false;
    std::memcpy(data_ + offset, &value, 4);
    return true;
  }
  // A zero-terminated text lying wholly inside; its length without the zero.
  bool Text(std::uint64_t offset, std::size_t& length) const {
    if (offset >= size_) return false;
    const void* end = std::memchr(data_ + offset, 0, static_cast<std::size_t>(size_ - offset));
    if (!end) return false;
    length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (data_ + offset));
    return true;
  }
  std::uint8_t* At(std::uint64_t offset) const { return data_ + offset; }
  std::uint64_t Size() const { return size_; }

 private:
  template <typename T>
  bool Get(std::uint64_t offset, T& out) const {
    if (!Has(offset, sizeof(T))) return false;
    std::memcpy(&out, data_ + offset, sizeof(T));
    return true;
  }

  std::uint8_t* data_;
  std::uint64_t size_;
};

struct Headers {
  std::uint32_t nt = 0;  // offset of the NT headers
  std::uint16_t sections = 0;
  std::uint16_t characteristics = 0;
  std::uint32_t entryPoint = 0;
  std::uint32_t imageBase = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t dirAddress[16] = {};
  std::uint32_t dirSize[16] = {};
};

// "MZ", then "PE\0\0" with all 248 bytes of NT headers inside `bytes`.
bool ReadHeaders(const Bytes& bytes, Headers& h) {
  std::uint16_t mz = 0;
  std::uint32_t signature = 0;
  if (!bytes.Has(0, kDosHeaderSize) || !bytes.U16(0, mz) || mz != 0x5A4D) return false;
  if (!bytes.U32(kNtOffsetField, h.nt) || !bytes.Has(h.nt, kNtHeadersSize)) return false;
  bytes.U32(h.nt, signature);
  if (signature != 0x00004550) return false;
  bytes.U16(h.nt + kNumberOfSections, h.sections);
  bytes.U16(h.nt + kCharacteristics, h.characteristics);
  bytes.U32(h.nt + kEntryPoint, h.entryPoint);
  bytes.U32(h.nt + kImageBase, h.imageBase);
  bytes.U32(h.nt + kSectionAlignment, h.sectionAlignment);
  bytes.U32(h.nt + kSizeOfImage, h.sizeOfImage);
  for (std::uint32_t i = 0; i < 16; ++i) {
    bytes.U32(std::uint64_t{h.nt} + kDataDirectories + 8 * i, h.dirAddress[i]);
    bytes.U32(std::uint64_t{h.nt} + kDataDirectories + 8 * i + 4, h.dirSize[i]);
  }
  return true;
}

struct Section {
  std::uint32_t virtualSize, virtualAddress, rawSize, rawOffset;
};

Section ReadSection(const Bytes& bytes, std::uint64_t offset) {
  Section s{};
  bytes.U32(offset + 8, s.virtualSize);
  bytes.U32(offset + 12, s.virtualAddress);
  bytes.U32(offset + 16, s.rawSize);
  bytes.U32(offset + 20, s.rawOffset);
  return s;
}

// Decimal text that reads back identically as a 32-bit integer.
bool IsOrdinalText(const std::string& text, std::int64_t& value) {
  std::int32_t parsed = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  auto [end, error] = std::from_chars(first, last, parsed);
  if (error != std::errc() || end != last) return false;
  if (std::to_string(parsed) != text) return false;
  value = parsed;
  return true;
}

bool StartsWithElfMagic(std::span<const std::uint8_t> image) {
  return image.size() >= 4 && image[0] == 0x7F && image[1] == 'E' && image[2] == 'L' &&
         image[3] == 'F';
}

platform::CallArgs Args(ModuleAddress a1, ModuleAddress a2, ModuleAddress a3) {
  return platform::CallArgs{a1, a2, a3, 0, 0, 0, 0, 0, 0, 0};
}

}  // namespace

MemoryModule::MemoryModule(platform::ModulePlatform* platform) : platform_(platform) {}

MemoryModule::~MemoryModule() = default;

platform::ModulePlatform& MemoryModule::Platform() const {
  return platform_ ? *platform_ : platform::CurrentModulePlatform();
}

bool MemoryModule::Load(std::span<const std::uint8_t> image, ModuleAddress importResolver,
                        std::uint32_t resolverParam) {
  if (base_ != 0) Unload();
  if (base_ != 0) return false;  // the held image would be lost
  if (StartsWithElfMagic(image)) return LoadNative(image);
  return LoadPe(image, importResolver, resolverParam);
}

bool MemoryModule::LoadNative(std::span<const std::uint8_t> image) {
  const platform::NativeImage mapped = Platform().LoadNativeImage(image.data(), image.size());
  if (!mapped.handle) return false;
  base_ = mapped.base;
  size_ = 0;
  native_ = mapped.handle;
  return true;
}

bool MemoryModule::LoadPe(std::span<const std::uint8_t> image, ModuleAddress importResolver,
                          std::uint32_t resolverParam) {
  platform::ModulePlatform& platform = Platform();
  if (image.size() >= kFourGiB) return false;
  const Bytes source(image.data(), image.size());
  Headers h;
  if (!ReadHeaders(source, h)) return false;
  if ((h.characteristics & kExecutableImage) == 0) return false;
  const std::uint64_t sectionTable = std::uint64_t{h.nt} + kNtHeadersSize;
  const std::uint64_t headerBytes = sectionTable + std::uint64_t{kSectionHeaderSize} * h.sections;
  if (!source.Has(0, headerBytes)) return false;

  // A zero alignment would divide by zero, and a size past 4 GiB cannot be
  // addressed by the image's 32-bit addresses.
  if (h.sectionAlignment == 0) return false;
  std::uint64_t size = h.sizeOfImage;
  for (std::uint32_t i = 0; i < h.sections; ++i) {
    const Section s = ReadSection(source, sectionTable + std::uint64_t{kSectionHeaderSize} * i);
    const std::uint64_t end = std::uint64_t{s.virtualAddress} + std::max(s.rawSize, s.virtualSize);
    const std::uint64_t rounded =
        (end + h.sectionAlignment - 1) / h.sectionAlignment * h.sectionAlignment;
    size = std::max(size, rounded);
  }
  if (size == 0 || size >= kFourGiB || headerBytes > size) return false;

  ModuleAddress base = platform.ReserveAt(h.imageBase, static_cast<std::size_t>(size));
  if (base == 0) base = platform.ReserveAnywhere(static_cast<std::size_t>(size));
  if (base == 0) return false;
  Bytes block(reinterpret_cast<std::uint8_t*>(base), size);
  auto fail = [&] {
    platform.Release(base);
    return false;
  };

  std::memcpy(block.At(0), source.At(0), static_cast<std::size_t>(headerBytes));

  for (std::uint32_t i = 0; i < h.sections; ++i) {
    const Section s = ReadSection(source, sectionTable + std::uint64_t{kSectionHeaderSize} * i);
    if (s.rawSize == 0 || s.virtualAddress == 0) continue;
    if (!source.Has(s.rawOffset, s.rawSize) || !block.Has(s.virtualAddress, s.rawSize)) {
      return fail();
    }
    std::memcpy(block.At(s.virtualAddress), source.At(s.rawOffset), s.rawSize);
  }

  if (h.dirSize[kRelocationDirectory] > 0) {
    const std::uint32_t delta = static_cast<std::uint32_t>(base) - h.imageBase;
    const std::uint64_t declaredEnd =
        std::uint64_t{h.dirAddress[kRelocationDirectory]} + h.dirSize[kRelocationDirectory];
    std::uint64_t at = h.dirAddress[kRelocationDirectory];
    for (;;) {
      std::uint32_t page = 0, blockSize = 0;
      if (!block.U32(at, page) || !block.U32(at + 4, blockSize)) {
        // Running into the end of the image once past the declared table is
        // how a table that fills its last page ends.
        if (at >= declaredEnd && at >= size) break;
        return fail();
      }
      if (page == 0) break;
      // A block shorter than its own header would never move the walk on.
      if (blockSize < 8 || !block.Has(at, blockSize)) return fail();
      const std::uint32_t entries = (blockSize - 8) / 2;
      for (std::uint32_t e = 0; e < entries; ++e) {
        std::uint16_t entry = 0;
        block.U16(at + 8 + 2 * e, entry);
        if ((entry >> 12) != 3) continue;
        const std::uint64_t target = std::uint64_t{page} + (entry & 0x0FFF);
        std::uint32_t value = 0;
        if (!block.U32(target, value)) return fail();
        block.PutU32(target, value + delta);
      }
      at += blockSize;
    }
  }

  if (h.dirAddress[kImportDirectory] > 0) {
    for (std::uint64_t at = h.dirAddress[kImportDirectory];; at += 20) {
      std::uint32_t nameAddress = 0, table = 0;
      if (!block.U32(at + 12, nameAddress) || !block.U32(at + 16, table)) return fail();
      if (table == 0) break;
      std::size_t nameLength = 0;
      if (!block.Text(nameAddress, nameLength)) return fail();
      const char* libraryName = reinterpret_cast<const char*>(block.At(nameAddress));
      const ModuleAddress library = platform.LoadLibrary(libraryName);
      for (std::uint64_t slot = table;; slot += 4) {
        std::uint32_t entry = 0;
        if (!block.U32(slot, entry)) return fail();
        if (entry == 0) break;
        const bool byOrdinal = (entry & 0x80000000u) != 0;
        const std::uint16_t ordinal = static_cast<std::uint16_t>(entry & 0xFFFF);
        std::string ordinalText;
        const char* procedureName = nullptr;
        if (byOrdinal) {
          ordinalText = std::to_string(ordinal);
          procedureName = ordinalText.c_str();
        } else {
          std::size_t length = 0;
          if (!block.Text(std::uint64_t{entry} + 2, length)) return fail();
          procedureName = reinterpret_cast<const char*>(block.At(std::uint64_t{entry} + 2));
        }
        ModuleAddress found = 0;
        if (importResolver != 0) {
          found = platform.Call(importResolver,
                                Args(reinterpret_cast<ModuleAddress>(libraryName),
                                     reinterpret_cast<ModuleAddress>(procedureName),
                                     resolverParam));
        }
        if (found == 0) {
          found = byOrdinal ? platform.GetProcAddressByOrdinal(library, ordinal)
                            : platform.GetProcAddress(library, procedureName);
        }
        // The table holds 32-bit addresses; one that does not fit is as
        // good as missing.
        if (found == 0 || static_cast<std::uint64_t>(found) >= kFourGiB) return fail();
        block.PutU32(slot, static_cast<std::uint32_t>(found));
      }
    }
  }

  // An entry-point address of 0 means the library has no entry point.
  if ((h.characteristics & kLibrary) != 0 && h.entryPoint != 0) {
    if (h.entryPoint >= size) return fail();
    const ModuleAddress entry = base + h.entryPoint;
    if (platform.Call(entry, Args(0, kDllProcessAttach, 0)) == 0) {
      platform.Call(entry, Args(0, kDllProcessDetach, 0));
      return fail();
    }
  }

  base_ = base;
  size_ = static_cast<std::uint32_t>(size);
  native_ = nullptr;
  return true;
}

bool MemoryModule::Unload() {
  if (base_ == 0) return true;
  platform::ModulePlatform& platform = Platform();
  if (native_) {
    if (!platform.UnloadNativeImage({native_, base_})) return false;
    base_ = 0;
    native_ = nullptr;
    return true;
  }
  const Bytes block(reinterpret_cast<std::uint8_t*>(base_), size_);
  Headers h;
  if (!ReadHeaders(block, h)) return false;
  if ((h.characteristics & kLibrary) != 0 && h.entryPoint != 0 && h.entryPoint < size_) {
    platform.Call(base_ + h.entryPoint, Args(0, kDllProcessDetach, 0));
  }
  if (!platform.Release(base_)) return false;
  base_ = 0;
  size_ = 0;
  return true;
}

ModuleAddress MemoryModule::FindExport(const std::string& exportName) const {
  if (base_ == 0) return 0;
  std::int64_t ordinal = 0;
  const bool byOrdinal = IsOrdinalText(exportName, ordinal);
  if (native_) {
    if (byOrdinal) return 0;  // shared objects export by name only
    return Platform().NativeExport({native_, base_}, exportName.c_str());
  }

  const Bytes block(reinterpret_cast<std::uint8_t*>(base_), size_);
  Headers h;
  if (!ReadHeaders(block, h) || h.dirSize[kExportDirectory] == 0) return 0;
  const std::uint64_t dir = h.dirAddress[kExportDirectory];
  std::uint32_t ordinalBase = 0, functions = 0, names = 0;
  std::uint32_t functionTable = 0, nameTable = 0, ordinalTable = 0;
  if (!block.Has(dir, 40)) return 0;
  block.U32(dir + 16, ordinalBase);
  block.U32(dir + 20, functions);
  block.U32(dir + 24, names);
  block.U32(dir + 28, functionTable);
  block.U32(dir + 32, nameTable);
  block.U32(dir + 36, ordinalTable);

  // An address outside the image is no export that can be called.
  auto function = [&](std::uint64_t index) -> ModuleAddress {
    std::uint32_t rva = 0;
    if (!block.U32(std::uint64_t{functionTable} + 4 * index, rva)) return 0;
    if (rva == 0 || rva >= size_) return 0;
    return base_ + rva;
  };

  if (byOrdinal) {
    const std::int64_t index = ordinal - static_cast<std::int64_t>(ordinalBase);
    if (index < 0 || index >= static_cast<std::int64_t>(functions)) return 0;
    return function(static_cast<std::uint64_t>(index));
  }

  if (names == 0) return 0;
  std::uint32_t first = 0;
  if (!block.U32(nameTable, first)) return 0;
  // The names are read back to back from the first one, as linkers store them.
  std::uint64_t at = first;
  for (std::uint32_t i = 0; i < names; ++i) {
    std::uint16_t index = 0;
    std::size_t length = 0;
    if (!block.U16(std::uint64_t{ordinalTable} + 2 * i, index)) return 0;
    if (!block.Text(at, length)) return 0;
    if (index < functions && length == exportName.size() &&
        std::memcmp(block.At(at), exportName.data(), length) == 0) {
      const ModuleAddress found = function(index);
      if (found != 0) return found;
    }
    at += length + 1;
  }
  return 0;
}

ModuleAddress MemoryModule::EntryAddress() const {
  if (base_ == 0 || native_) return 0;
  std::uint32_t nt = 0, entry = 0;
  const Bytes block(reinterpret_cast<std::uint8_t*>(base_), size_);
  if (!block.U32(kNtOffsetField, nt) || !block.U32(std::uint64_t{nt} + kEntryPoint, entry)) {
    return 0;
  }
  return base_ + entry;
}

ModuleAddress MemoryModule::BaseAddress() const { return base_; }

ModuleAddress CallByAddress(ModuleAddress target, ModuleAddress v1, ModuleAddress v2,
                            ModuleAddress v3, ModuleAddress v4, ModuleAddress v5,
                            ModuleAddress v6, ModuleAddress v7, ModuleAddress v8,
                            ModuleAddress v9, ModuleAddress v10) {
  return platform::CurrentModulePlatform().Call(target,
                                                {v1, v2, v3, v4, v5, v6, v7, v8, v9, v10});
}

}  // namespace qf
