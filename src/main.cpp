// The program's entry point: hands the command line to start-up, which never returns.
#include "platform/startup.h"

int main(int argc, char **argv) { startup_run(argc, argv); }
