#include "app/application.h"

int main(int argc, char** argv) { return qf::RunApplication(argc, argv); }
