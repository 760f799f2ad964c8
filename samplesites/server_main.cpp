// quillfen-samplesites: serves the sample sites until interrupted. It prints
// the quillfen-cli options that reach them (and writes them to FILE if given):
//   quillfen-samplesites [FILE]
#include <csignal>
#include <fstream>
#include <iostream>

#include "samplesites/sample_sites.h"
#include "samplesites/site_pages.h"

int main(int argc, char** argv) {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  // Blocked before the server threads start, so only sigwait sees them.
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  qf::samplesites::SampleSites sites;
  if (!sites.Started()) {
    std::cerr << "quillfen-samplesites: " << sites.Error() << "\n";
    return 1;
  }
  std::string options;
  for (const std::string& entry : sites.ResolveEntries()) options += "--resolve " + entry + " ";
  options += "--cacert " + sites.CaFile();
  std::cout << options << std::endl;
  if (argc > 1) std::ofstream(argv[1]) << options << "\n";
  std::cerr << "sample sites on 127.0.0.1:" << sites.HttpPort() << " (http) and 127.0.0.1:" << sites.HttpsPort()
            << " (https); films:";
  for (const std::string& name : qf::samplesites::SampleFilmNames()) std::cerr << " " << name;
  std::cerr << "\n";
  int signal = 0;
  sigwait(&stopSignals, &signal);
  return 0;
}
