// Builds small synthetic PE32 images for the loader tests. The test writes
// the image as it should look once mapped (`mem`, indexed by RVA); Build()
// lays the headers and each section's raw data out as a file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace qf::test {

constexpr std::uint16_t kExecutable = 0x0002;
constexpr std::uint16_t k32BitMachine = 0x0100;
constexpr std::uint16_t kLibraryBit = 0x2000;

class PeImage {
 public:
  struct Section {
    std::string name;
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;                    // bytes taken from mem at virtualAddress
    std::optional<std::uint32_t> rawOffset;   // placed after the previous one if unset
  };
  using Procedure = std::variant<std::string, std::uint16_t>;  // by name or ordinal
  struct Import {
    std::string library;
    std::vector<Procedure> procedures;
  };

  explicit PeImage(std::uint32_t sizeOfImage = 0x5000) : mem(sizeOfImage, 0), sizeOfImage(sizeOfImage) {
    sections.push_back({".text", 0x1000, sizeOfImage - 0x1000, sizeOfImage - 0x1000, {}});
  }

  std::vector<std::uint8_t> mem;
  std::uint32_t ntOffset = 0x80;
  std::uint16_t characteristics = kExecutable | k32BitMachine | kLibraryBit;
  std::uint32_t entryPoint = 0x1000;
  std::uint32_t imageBase = 0x21000000;
  std::uint32_t sectionAlignment = 0x1000;
  std::uint32_t fileAlignment = 0x200;
  std::uint32_t sizeOfImage;
  std::uint32_t dirAddress[16] = {};
  std::uint32_t dirSize[16] = {};
  std::vector<Section> sections;

  void Put16(std::uint32_t rva, std::uint16_t v) {
    (void)mem.at(rva + 1);
    std::memcpy(&mem[rva], &v, 2);
  }
  void Put32(std::uint32_t rva, std::uint32_t v) {
    (void)mem.at(rva + 3);
    std::memcpy(&mem[rva], &v, 4);
  }
  std::uint32_t PutText(std::uint32_t rva, const std::string& text) {
    (void)mem.at(rva + text.size());
    std::memcpy(&mem[rva], text.c_str(), text.size() + 1);
    return rva + static_cast<std::uint32_t>(text.size()) + 1;
  }
  void Dir(int index, std::uint32_t rva, std::uint32_t size) {
    dirAddress[index] = rva;
    dirSize[index] = size;
  }

  // Relocation blocks (page, entries) written back to back at `at`; the
  // directory's size is their total unless `declaredSize` says otherwise.
  void Relocations(std::uint32_t at,
                   const std::vector<std::pair<std::uint32_t, std::vector<std::uint16_t>>>& blocks,
                   std::optional<std::uint32_t> declaredSize = {}) {
    std::uint32_t pos = at;
    for (const auto& [page, entries] : blocks) {
      const std::uint32_t size = 8 + 2 * static_cast<std::uint32_t>(entries.size());
      Put32(pos, page);
      Put32(pos + 4, size);
      for (std::size_t i = 0; i < entries.size(); ++i) Put16(pos + 8 + 2 * static_cast<std::uint32_t>(i), entries[i]);
      pos += size;
    }
    Dir(5, at, declaredSize.value_or(pos - at));
  }

  // Import descriptors at `at`, then names, hint/name entries and tables.
  // Returns the RVA of each library's import address table.
  std::vector<std::uint32_t> Imports(std::uint32_t at, const std::vector<Import>& imports,
                                     bool lookupTables) {
    std::uint32_t pos = at + 20 * static_cast<std::uint32_t>(imports.size() + 1);
    std::vector<std::uint32_t> tables;
    for (std::size_t d = 0; d < imports.size(); ++d) {
      const Import& imp = imports[d];
      const std::uint32_t nameRva = pos;
      pos = PutText(pos, imp.library);
      pos = (pos + 3) & ~3u;
      std::vector<std::uint32_t> entries;
      for (const Procedure& p : imp.procedures) {
        if (auto* name = std::get_if<std::string>(&p)) {
          Put16(pos, 0);  // hint
          entries.push_back(pos);
          pos = PutText(pos + 2, *name);
          pos = (pos + 1) & ~1u;
        } else {
          entries.push_back(0x80000000u | std::get<std::uint16_t>(p));
        }
      }
      pos = (pos + 3) & ~3u;
      auto table = [&] {
        const std::uint32_t start = pos;
        for (std::uint32_t e : entries) {
          Put32(pos, e);
          pos += 4;
        }
        Put32(pos, 0);
        pos += 4;
        return start;
      };
      const std::uint32_t lookup = lookupTables ? table() : 0;
      const std::uint32_t iat = table();
      tables.push_back(iat);
      const std::uint32_t desc = at + 20 * static_cast<std::uint32_t>(d);
      Put32(desc, lookup);
      Put32(desc + 12, nameRva);
      Put32(desc + 16, iat);
    }
    Dir(1, at, 20 * static_cast<std::uint32_t>(imports.size() + 1));
    return tables;
  }

  // Export directory at `at`: function RVAs (index = ordinal - ordinalBase)
  // and names with their function index, names stored back to back.
  void Exports(std::uint32_t at, std::uint32_t ordinalBase, const std::vector<std::uint32_t>& functions,
               const std::vector<std::pair<std::string, std::uint16_t>>& names) {
    std::uint32_t pos = at + 40;
    const std::uint32_t functionTable = pos;
    for (std::uint32_t f : functions) {
      Put32(pos, f);
      pos += 4;
    }
    const std::uint32_t nameTable = pos;
    pos += 4 * static_cast<std::uint32_t>(names.size());
    const std::uint32_t ordinalTable = pos;
    pos += 2 * static_cast<std::uint32_t>(names.size());
    pos = (pos + 3) & ~3u;
    const std::uint32_t dllName = pos;
    pos = PutText(pos, "test.dll");
    for (std::size_t i = 0; i < names.size(); ++i) {
      Put32(nameTable + 4 * static_cast<std::uint32_t>(i), pos);
      Put16(ordinalTable + 2 * static_cast<std::uint32_t>(i), names[i].second);
      pos = PutText(pos, names[i].first);
    }
    Put32(at + 12, dllName);
    Put32(at + 16, ordinalBase);
    Put32(at + 20, static_cast<std::uint32_t>(functions.size()));
    Put32(at + 24, static_cast<std::uint32_t>(names.size()));
    Put32(at + 28, functionTable);
    Put32(at + 32, nameTable);
    Put32(at + 36, ordinalTable);
    Dir(0, at, pos - at);
  }

  std::vector<std::uint8_t> Build() const {
    const std::uint32_t headerBytes = ntOffset + 248 + 40 * static_cast<std::uint32_t>(sections.size());
    const std::uint32_t headerSize = (headerBytes + fileAlignment - 1) / fileAlignment * fileAlignment;
    std::vector<std::uint8_t> file(headerSize, 0);
    auto w16 = [&](std::uint32_t at, std::uint16_t v) { std::memcpy(&file[at], &v, 2); };
    auto w32 = [&](std::uint32_t at, std::uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'M';
    file[1] = 'Z';
    w32(0x3C, ntOffset);
    const std::uint32_t nt = ntOffset;
    std::memcpy(&file[nt], "PE\0\0", 4);
    w16(nt + 4, 0x014C);
    w16(nt + 6, static_cast<std::uint16_t>(sections.size()));
    w16(nt + 20, 224);
    w16(nt + 22, characteristics);
    w16(nt + 24, 0x010B);
    w32(nt + 40, entryPoint);
    w32(nt + 52, imageBase);
    w32(nt + 56, sectionAlignment);
    w32(nt + 60, fileAlignment);
    w32(nt + 80, sizeOfImage);
    w32(nt + 84, headerSize);
    w32(nt + 116, 16);
    for (int i = 0; i < 16; ++i) {
      w32(nt + 120 + 8 * i, dirAddress[i]);
      w32(nt + 124 + 8 * i, dirSize[i]);
    }
    std::uint32_t next = headerSize;
    for (std::size_t i = 0; i < sections.size(); ++i) {
      const Section& s = sections[i];
      const std::uint32_t at = nt + 248 + 40 * static_cast<std::uint32_t>(i);
      std::memcpy(&file[at], s.name.c_str(), std::min<std::size_t>(s.name.size(), 8));
      w32(at + 8, s.virtualSize);
      w32(at + 12, s.virtualAddress);
      w32(at + 16, s.rawSize);
      const std::uint32_t offset = s.rawOffset.value_or(next);
      w32(at + 20, s.rawSize ? offset : 0);
      if (!s.rawOffset && s.rawSize) {
        if (file.size() < offset + s.rawSize) file.resize(offset + s.rawSize, 0);
        for (std::uint32_t b = 0; b < s.rawSize; ++b) {
          const std::uint64_t rva = std::uint64_t{s.virtualAddress} + b;
          file[offset + b] = rva < mem.size() ? mem[rva] : 0;
        }
        next = (offset + s.rawSize + fileAlignment - 1) / fileAlignment * fileAlignment;
      }
    }
    return file;
  }
};

}  // namespace qf::test
