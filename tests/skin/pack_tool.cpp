// Rewrites a 32-bit Windows library into the layout of a packed one, as the
// loader must survive it: an empty "UPX0" section with a large virtual size
// where the original sections unfold, "UPX1" with the stored section bytes,
// an entry stub, import descriptors without lookup tables (one procedure
// kept per library, plus the loader trio from KERNEL32), the export table
// and one relocation block, and a ".rsrc" with an empty resource directory.
// Nothing is compressed: the stored bytes only stand in for packed data.
//
//   pack_tool IN.dll OUT.dll
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t R16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8); }
std::uint32_t R32(const Bytes& b, std::size_t at) { return R16(b, at) | static_cast<std::uint32_t>(R16(b, at + 2)) << 16; }
void W16(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void W32(Bytes& b, std::size_t at, std::uint32_t v) {
  W16(b, at, v & 0xFFFF);
  W16(b, at + 2, v >> 16);
}
std::string Text(const Bytes& b, std::size_t at) {
  std::string s;
  while (b.at(at)) s += static_cast<char>(b[at++]);
  return s;
}
std::uint32_t Align(std::uint32_t v, std::uint32_t a) { return (v + a - 1) / a * a; }

struct Original {
  std::uint32_t imageBase, sectionAlignment, fileAlignment, entry, end = 0;
  std::uint16_t characteristics;
  Bytes mem;     // the image as mapped
  Bytes stored;  // every section's raw bytes, back to back
};

bool Parse(const Bytes& file, Original& o) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') return false;
  const std::uint32_t nt = R32(file, 0x3C);
  if (R32(file, nt) != 0x4550) return false;
  const std::uint16_t sections = R16(file, nt + 6);
  const std::uint16_t optSize = R16(file, nt + 20);
  o.characteristics = R16(file, nt + 22);
  o.entry = R32(file, nt + 40);
  o.imageBase = R32(file, nt + 52);
  o.sectionAlignment = R32(file, nt + 56);
  o.fileAlignment = R32(file, nt + 60);
  o.mem.assign(R32(file, nt + 80), 0);
  for (std::uint16_t i = 0; i < sections; ++i) {
    const std::size_t s = nt + 24 + optSize + 40u * i;
    const std::uint32_t vsize = R32(file, s + 8), va = R32(file, s + 12);
    const std::uint32_t raw = R32(file, s + 16), off = R32(file, s + 20);
    o.end = std::max(o.end, Align(va + std::max(vsize, raw), o.sectionAlignment));
    for (std::uint32_t k = 0; k < raw && k < vsize; ++k) o.mem.at(va + k) = file.at(off + k);
    o.stored.insert(o.stored.end(), file.begin() + off, file.begin() + off + raw);
  }
  o.mem.resize(std::max<std::size_t>(o.mem.size(), o.end), 0);
  // the original's data directories live in the optional header
  return optSize >= 96 + 16 * 8;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pack_tool IN.dll OUT.dll\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Original o;
  if (!Parse(file, o)) {
    std::fprintf(stderr, "pack_tool: %s is not a PE image\n", argv[1]);
    return 1;
  }
  const std::uint32_t nt = R32(file, 0x3C);
  auto dir = [&](int i) { return R32(file, nt + 24 + 96 + 8 * i); };

  // What the original imports: library -> procedure names.
  std::vector<std::pair<std::string, std::vector<std::string>>> imports;
  for (std::uint32_t d = dir(1); d && R32(o.mem, d + 16); d += 20) {
    const std::uint32_t table = R32(o.mem, d) ? R32(o.mem, d) : R32(o.mem, d + 16);
    std::vector<std::string> names;
    for (std::uint32_t t = table; R32(o.mem, t); t += 4) {
      const std::uint32_t e = R32(o.mem, t);
      if (!(e & 0x80000000u)) names.push_back(Text(o.mem, e + 2));
    }
    imports.push_back({Text(o.mem, R32(o.mem, d + 12)), names});
  }
  for (auto& [lib, names] : imports) {
    std::string lower = lib;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<std::string> kept;
    if (lower == "kernel32.dll") kept = {"LoadLibraryA", "GetProcAddress", "VirtualProtect"};
    for (const std::string& n : names) {
      if (std::find(kept.begin(), kept.end(), n) == kept.end()) {
        kept.push_back(n);
        break;
      }
    }
    names = kept;
  }

  const std::uint32_t align = o.sectionAlignment;
  const std::uint32_t upx0 = 0x1000, upx0Size = o.end - upx0;
  const std::uint32_t upx1 = o.end;
  Bytes u1 = o.stored;  // RVA upx1 + offset
  auto here = [&] { return upx1 + static_cast<std::uint32_t>(u1.size()); };
  auto pad = [&](std::uint32_t a) { u1.resize(Align(static_cast<std::uint32_t>(u1.size()), a), 0); };
  auto put = [&](const std::string& s) {
    const std::uint32_t at = here();
    u1.insert(u1.end(), s.begin(), s.end());
    u1.push_back(0);
    return at;
  };

  // entry stub: mov eax, 1; ret 12, and an absolute address to relocate
  pad(16);
  const std::uint32_t stub = here();
  for (std::uint8_t b : {0xB8, 0x01, 0x00, 0x00, 0x00, 0xC2, 0x0C, 0x00}) u1.push_back(b);
  const std::uint32_t absolute = here();
  W32(u1, absolute - upx1, o.imageBase + stub);

  // imports, with no lookup tables
  pad(4);
  const std::uint32_t descriptors = here();
  u1.resize(u1.size() + 20 * (imports.size() + 1), 0);
  for (std::size_t d = 0; d < imports.size(); ++d) {
    const std::uint32_t name = put(imports[d].first);
    std::vector<std::uint32_t> hintNames;
    for (const std::string& p : imports[d].second) {
      pad(2);
      hintNames.push_back(here());
      u1.push_back(0);
      u1.push_back(0);
      put(p);
    }
    pad(4);
    const std::uint32_t iat = here();
    for (std::uint32_t h : hintNames) W32(u1, here() - upx1, h);
    W32(u1, here() - upx1, 0);
    W32(u1, descriptors - upx1 + 20 * d + 12, name);
    W32(u1, descriptors - upx1 + 20 * d + 16, iat);
  }

  // exports: the original's function table, names back to back
  std::uint32_t exportDir = 0, exportSize = 0;
  if (const std::uint32_t e = dir(0)) {
    const std::uint32_t functions = R32(o.mem, e + 20), names = R32(o.mem, e + 24);
    pad(4);
    exportDir = here();
    u1.resize(u1.size() + 40, 0);
    const std::uint32_t functionTable = here();
    for (std::uint32_t i = 0; i < functions; ++i) W32(u1, here() - upx1, R32(o.mem, R32(o.mem, e + 28) + 4 * i));
    const std::uint32_t nameTable = here();
    u1.resize(u1.size() + 4 * names, 0);
    const std::uint32_t ordinalTable = here();
    for (std::uint32_t i = 0; i < names; ++i) W16(u1, here() - upx1, R16(o.mem, R32(o.mem, e + 36) + 2 * i));
    const std::uint32_t dllName = put(Text(o.mem, R32(o.mem, e + 12)));
    for (std::uint32_t i = 0; i < names; ++i) {
      W32(u1, nameTable - upx1 + 4 * i, put(Text(o.mem, R32(o.mem, R32(o.mem, e + 32) + 4 * i))));
    }
    const std::uint32_t d = exportDir - upx1;
    W32(u1, d + 12, dllName);
    W32(u1, d + 16, R32(o.mem, e + 16));
    W32(u1, d + 20, functions);
    W32(u1, d + 24, names);
    W32(u1, d + 28, functionTable);
    W32(u1, d + 32, nameTable);
    W32(u1, d + 36, ordinalTable);
    exportSize = here() - exportDir;
  }

  // one relocation block for the stub's absolute address
  pad(4);
  const std::uint32_t relocations = here();
  W32(u1, relocations - upx1, absolute & ~0xFFFu);
  W32(u1, relocations - upx1 + 4, 12);
  W16(u1, relocations - upx1 + 8, 0x3000 | (absolute & 0xFFF));
  W16(u1, relocations - upx1 + 10, 0);

  const std::uint32_t upx1Size = static_cast<std::uint32_t>(u1.size());
  const std::uint32_t rsrc = Align(upx1 + upx1Size, align);
  // a resource tree with one small data item: type 10, name 1, language 0x409
  Bytes resources(0x5C, 0);
  W16(resources, 0x0E, 1);
  W32(resources, 0x10, 10);
  W32(resources, 0x14, 0x80000018u);
  W16(resources, 0x18 + 0x0E, 1);
  W32(resources, 0x18 + 0x10, 1);
  W32(resources, 0x18 + 0x14, 0x80000030u);
  W16(resources, 0x30 + 0x0E, 1);
  W32(resources, 0x30 + 0x10, 0x409);
  W32(resources, 0x30 + 0x14, 0x48);
  W32(resources, 0x48, rsrc + 0x58);
  W32(resources, 0x4C, 4);
  std::memcpy(&resources[0x58], "QFRC", 4);
  const std::uint32_t rsrcSize = static_cast<std::uint32_t>(resources.size());
  const std::uint32_t sizeOfImage = Align(rsrc + rsrcSize, align);

  // the new file
  const std::uint32_t fa = o.fileAlignment;
  const std::uint32_t newNt = 0x80;
  const std::uint32_t headerSize = Align(newNt + 248 + 3 * 40, fa);
  const std::uint32_t upx1Raw = Align(upx1Size, fa);
  Bytes out(headerSize + upx1Raw + fa, 0);
  out[0] = 'M';
  out[1] = 'Z';
  W32(out, 0x3C, newNt);
  std::memcpy(&out[newNt], "PE\0\0", 4);
  W16(out, newNt + 4, 0x014C);
  W16(out, newNt + 6, 3);
  W16(out, newNt + 20, 224);
  W16(out, newNt + 22, o.characteristics);
  W16(out, newNt + 24, 0x010B);
  W32(out, newNt + 28, upx1Raw);  // size of code
  W32(out, newNt + 40, stub);
  W32(out, newNt + 44, upx1);
  W32(out, newNt + 52, o.imageBase);
  W32(out, newNt + 56, align);
  W32(out, newNt + 60, fa);
  W16(out, newNt + 64, 4);  // operating system version
  W16(out, newNt + 72, 4);  // subsystem version
  W32(out, newNt + 80, sizeOfImage);
  W32(out, newNt + 84, headerSize);
  W16(out, newNt + 92, 2);  // GUI subsystem
  W32(out, newNt + 96, 0x100000);
  W32(out, newNt + 100, 0x1000);
  W32(out, newNt + 104, 0x100000);
  W32(out, newNt + 108, 0x1000);
  W32(out, newNt + 116, 16);
  auto setDir = [&](int i, std::uint32_t va, std::uint32_t size) {
    W32(out, newNt + 120 + 8 * i, va);
    W32(out, newNt + 124 + 8 * i, size);
  };
  setDir(0, exportDir, exportSize);
  setDir(1, descriptors, 20 * static_cast<std::uint32_t>(imports.size() + 1));
  setDir(2, rsrc, rsrcSize);
  setDir(5, relocations, 12);
  struct Header {
    const char* name;
    std::uint32_t vsize, va, raw, offset, flags;
  } headers[] = {
      {"UPX0", upx0Size, upx0, 0, 0, 0xE0000080u},
      {"UPX1", upx1Size, upx1, upx1Raw, headerSize, 0xE0000040u},
      {".rsrc", rsrcSize, rsrc, fa, headerSize + upx1Raw, 0xC0000040u},
  };
  for (int i = 0; i < 3; ++i) {
    const std::uint32_t at = newNt + 248 + 40 * i;
    std::memcpy(&out[at], headers[i].name, std::strlen(headers[i].name));
    W32(out, at + 8, headers[i].vsize);
    W32(out, at + 12, headers[i].va);
    W32(out, at + 16, headers[i].raw);
    W32(out, at + 20, headers[i].offset);
    W32(out, at + 36, headers[i].flags);
  }
  std::copy(u1.begin(), u1.end(), out.begin() + headerSize);
  std::copy(resources.begin(), resources.end(), out.begin() + headerSize + upx1Raw);
  std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                 static_cast<std::streamsize>(out.size()));
  return 0;
}
