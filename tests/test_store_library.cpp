// A store library for the tests: nvram_bufget over the KEY=VALUE file that
// the process tests prepare and name in RELAYWATCH_NVRAM (a line of up to
// 4095 bytes, its line end and a '\r' before it dropped); NULL when the file
// cannot be read. Linked into a daemon through RELAYWATCH_NVRAM_LIBRARY by
// tests/store_library_test.sh.
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" char* nvram_bufget(int index, const char* name) {
    (void)index;
    const char* file = std::getenv("RELAYWATCH_NVRAM");
    FILE* in = file != nullptr ? std::fopen(file, "r") : nullptr;
    if (in == nullptr) return nullptr;
    const std::size_t key = std::strlen(name);
    char* value = nullptr;
    char line[4096];
    while (std::fgets(line, sizeof line, in) != nullptr) {
        std::size_t end = std::strlen(line);
        if (end > 0 && line[end - 1] == '\n') line[--end] = '\0';
        if (end > 0 && line[end - 1] == '\r') line[--end] = '\0';
        if (std::strncmp(line, name, key) == 0 && line[key] == '=') {
            std::free(value);
            value = strdup(line + key + 1);
        }
    }
    std::fclose(in);
    return value != nullptr ? value : strdup("");
}
