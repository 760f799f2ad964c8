#include "app/skin_hooks.h"

#include "skin/skin.h"

namespace qf {

void CreateSkinModule() { SkinModule = new MemoryModule(); }

void LoadSkinEngine() {
  if (SkinModule) SkinModule->Load(SkinLibraryImage);
}

// Without an engine, or an engine without the export, the window stays
// unskinned and nothing is called.
void ApplySkinOnCreation() { ApplySkin(SkinData); }

// The engine stays mapped: destroying the module object does not unload it.
void DestroySkinModule() {
  delete SkinModule;
  SkinModule = nullptr;
}

}  // namespace qf
