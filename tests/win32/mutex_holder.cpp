// Holds Orbek's single-instance mutex, as a running Orbek does, until its
// standard input ends. Says "ready" once it holds it.
#include <windows.h>

#include <cstdio>

int main() {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\Orbek.Instance");
    if (mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        std::fputs("the mutex is taken already\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(mutex);
    return 0;
}
