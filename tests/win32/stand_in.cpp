// Stands in for a running program until its standard input ends, and says
// "ready" once it does:
//   stand_in mutex       holds Orbek's single-instance mutex, as Orbek does
//   stand_in file PATH   keeps PATH open against writing and deleting, as
//                        Windows keeps the file of a running program
//   stand_in desktop     keeps a window until it is killed: Wine's desktop
//                        process then stays for the whole run, instead of
//                        starting anew for each program that has windows and
//                        lingering, holding that test's output open, after it
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    HANDLE held = nullptr;
    if (argc == 2 && std::wcscmp(argv[1], L"desktop") == 0) {
        if (CreateWindowExW(0, L"STATIC", L"stand_in", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            nullptr, nullptr) == nullptr) {
            std::fprintf(stderr, "no window: error %lu\n", GetLastError());
            return 1;
        }
        std::puts("ready");
        std::fflush(stdout);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        return 0;
    }
    if (argc == 2 && std::wcscmp(argv[1], L"mutex") == 0) {
        held = CreateMutexW(nullptr, TRUE, L"Local\\Orbek.Instance");
        if (held != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
            std::fputs("the mutex is taken already\n", stderr);
            return 1;
        }
    } else if (argc == 3 && std::wcscmp(argv[1], L"file") == 0) {
        held = CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (held == INVALID_HANDLE_VALUE) held = nullptr;
    } else {
        std::fputs("usage: stand_in mutex | stand_in file PATH | stand_in desktop\n", stderr);
        return 2;
    }
    if (held == nullptr) {
        std::fprintf(stderr, "could not take it: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(held);
    return 0;
}
