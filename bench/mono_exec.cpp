// mono_exec FILE PROGRAM [ARGUMENTS...]: writes the monotonic clock in microseconds to FILE, then
// becomes PROGRAM. The start-up benchmark takes this as the moment a program starts, on the same
// clock as the meter simulator's byte log.
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mono_exec FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "mono_exec: %s: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::int64_t us = static_cast<std::int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
    std::fprintf(out, "%" PRId64 "\n", us);
    if (std::fclose(out) != 0) {
        return 2;
    }
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "mono_exec: %s: %s\n", argv[2], std::strerror(errno));
    return 127;
}
