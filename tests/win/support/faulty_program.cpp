// A program that fails as a faulty test would: `crash` writes through a null pointer,
// `hang` waits forever. Under Wine the first must end at once with a failure, never wait in
// a crash debugger; the second must be stopped at its run's time limit.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "hang") == 0) {
        Sleep(INFINITE);
    }
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    std::puts("the write through a null pointer did not crash");
    return 0;
}
