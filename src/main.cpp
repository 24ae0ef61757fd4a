// The program's entry point: hands the command line to start-up, which never returns.
#include "app/startup.h"

int main(int argc, char **argv) { startup_run(argc, argv); }
