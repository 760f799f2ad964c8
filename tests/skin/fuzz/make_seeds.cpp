// Writes a few synthetic images into a folder, as the fuzzer's seeds.
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/skin/pe_builder.h"

namespace {

void Write(const std::string& dir, const char* name, const qf::test::PeImage& pe) {
  const auto bytes = pe.Build();
  std::ofstream(dir + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  using qf::test::PeImage;

  PeImage full;
  full.Put32(0x1100, full.imageBase + 0x1200);
  full.Relocations(0x3000, {{0x1000, {0x3100, 0xA104, 0}}, {0x2000, {0x3010}}});
  full.Imports(0x2000, {{"KERNEL32.dll", {std::string("LoadLibraryA"), std::uint16_t{3}}}, {"b.dll", {std::string("F")}}},
               false);
  full.Exports(0x4000, 1, {0x1010, 0, 0x1030}, {{"Alpha", 0}, {"SkinH_AttachRes", 2}});
  Write(dir, "full.dll", full);

  PeImage lookup;
  lookup.Imports(0x2000, {{"a.dll", {std::string("X"), std::uint16_t{9}}}}, true);
  lookup.characteristics = qf::test::kExecutable;
  Write(dir, "lookup.exe", lookup);

  PeImage sections(0x3000);
  sections.sections = {{".text", 0x1000, 0x800, 0x200, {}}, {".bss", 0x2000, 0x1000, 0, {}}};
  Write(dir, "sections.dll", sections);
  return 0;
}
