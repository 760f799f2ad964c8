// The skin loading's steps in the start sequence, the main window's creation
// and the exit routine. All run on the window thread.
#pragma once

namespace qf {

void CreateSkinModule();     // start step 2
void LoadSkinEngine();       // start step 4; its outcome is not looked at
void ApplySkinOnCreation();  // once, from the main window's creation
void DestroySkinModule();    // exit routine, first step

}  // namespace qf
