// SPDX-License-Identifier: ISC
// The sub-commands' output files: none may name one of the run's inputs (or
// another output), and each is written to a temporary file beside its target
// and renamed into place only when the run succeeds, so that a refused or
// failed run leaves every existing file as it was.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace rwsim {

// One output being written. Until committed, the temporary file is removed
// when the OutputFile goes (a failed or refused run).
struct OutputFile {
    std::string path;  // the target, as given
    std::string temp;  // the temporary file beside it; empty when written in place
    std::ofstream stream;
    bool committed = false;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Why `outputs` may not be written: one names an input (the same path, or
// the same file by device and inode; "-" among the inputs is standard
// input) or another output. Empty when none does; empty paths are skipped.
std::string outputs_clash(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

// Opens a temporary file beside `path` for `out` (or, for an existing
// device or FIFO, `path` itself); "" or why it cannot be written.
std::string open_output(OutputFile& out, const std::string& path);

// Closes `out` and renames its temporary file over the target; "" or why
// it was not written (the target is then left as it was).
std::string commit_output(OutputFile& out);

}  // namespace rwsim
