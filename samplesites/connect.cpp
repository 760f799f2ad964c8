#include "platform/http.h"
#include "samplesites/sample_sites.h"

namespace qf::samplesites {

bool ConnectToSampleSites(const SampleSites& sites) {
  if (!sites.Started()) return false;
  platform::SetResolveOverrides(sites.ResolveEntries());
  platform::SetExtraCaFile(sites.CaFile());
  return true;
}

void DisconnectFromSampleSites() {
  platform::SetResolveOverrides({});
  platform::SetExtraCaFile({});
}

}  // namespace qf::samplesites
