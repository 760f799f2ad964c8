// Stand-in for the per-thread component object library initialisation
// (CoInitialize / CoUninitialize). Only the nesting count is modelled: the
// automation objects this program uses are our own stand-ins.
#pragma once

namespace qf::platform {

constexpr long S_OK = 0;
constexpr long S_FALSE = 1;

// First initialisation on a thread gives S_OK, nested ones S_FALSE.
long CoInitialize();
// Undoes one initialisation; extra calls on an uninitialised thread do nothing.
void CoUninitialize();
// The calling thread's current initialisation depth, for tests.
int ComInitCount();

}  // namespace qf::platform
