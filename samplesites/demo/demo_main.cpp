// quillfen-demo: the program against the sample sites, for a machine without
// the internet. The sites run in this process; the program itself is the same.
#include <iostream>

#include "app/application.h"
#include "samplesites/sample_sites.h"
#include "samplesites/site_pages.h"

int main(int argc, char** argv) {
  qf::samplesites::SampleSites sites;
  if (!qf::samplesites::ConnectToSampleSites(sites)) {
    std::cerr << "quillfen-demo: the sample sites did not start: " << sites.Error() << "\n";
    return 1;
  }
  std::cerr << "quillfen-demo: the sample sites know these films (try 地球):";
  for (const std::string& name : qf::samplesites::SampleFilmNames()) std::cerr << " " << name;
  std::cerr << std::endl;
  return qf::RunApplication(argc, argv);
}
