#include "app/skin_hooks.h"

namespace qf {

void CreateSkinModule() {}

void LoadSkinEngine() {}

void ApplySkinOnCreation() {}

void DestroySkinModule() {}

}  // namespace qf
