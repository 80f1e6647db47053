// SPDX-License-Identifier: ISC
// A fuzz target as a plain program: runs the target once on every file named
// on the command line (a directory stands for the files in it, in name
// order), so the corpus runs as a regression test without libFuzzer.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs_of(const fs::path& arg) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
        for (const auto& entry : fs::directory_iterator(arg, ec)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(arg);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|DIR...\n", argv[0]);
        return 2;
    }
    int ran = 0;
    for (int i = 1; i < argc; ++i) {
        for (const fs::path& file : inputs_of(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
                return 1;
            }
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            // A copy of exactly the input's size, so ASan sees a read past its end.
            std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
            std::fprintf(stderr, "running %s (%zu bytes)\n", file.c_str(), data.size());
            LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
            ++ran;
        }
    }
    if (ran == 0) {
        std::fprintf(stderr, "%s: no input files\n", argv[0]);
        return 1;
    }
    std::printf("%s: %d inputs, no check failed\n", argv[0], ran);
    return 0;
}
