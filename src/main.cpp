// The program's entry point: hands the command line to the start-up module.
#include <cstdio>

int main(int, char **) {
    std::printf("astrovane version 5-4f7a19c3, %s\n", __DATE__);
    return 0;
}
