// SPDX-License-Identifier: ISC
// The sub-commands' output files: refused when they name an input, written
// beside their target and renamed into place.
#include "sim/common/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/common/text.h"

namespace rwsim {

namespace {

// The file `path` names ("-": standard input), when it exists.
bool file_of(const std::string& path, struct stat& st) {
    if (path == "-") return ::fstat(STDIN_FILENO, &st) == 0;
    return ::stat(path.c_str(), &st) == 0;
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {
    }, sb{};
    return file_of(a, sa) && file_of(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

OutputFile::~OutputFile() {
    if (!committed && !temp.empty()) {
        if (stream.is_open()) stream.close();
        ::unlink(temp.c_str());
    }
}

std::string outputs_clash(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].empty() || outputs[i] == "-") continue;
        for (const std::string& input : inputs) {
            if (!input.empty() && same_file(outputs[i], input))
                return "will not write " + shown_text(outputs[i]) + ": it is an input of this run";
        }
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (!outputs[j].empty() && same_file(outputs[i], outputs[j]))
                return "will not write " + shown_text(outputs[i]) + " twice: two outputs name it";
        }
    }
    return "";
}

std::string open_output(OutputFile& out, const std::string& path) {
    out.path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        out.stream.open(path, std::ios::binary);  // a terminal or pipe: nothing there to keep
    } else {
        std::string name = path + ".tmp-XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0) return "cannot write " + shown_text(path) + ": " + std::strerror(errno);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        out.temp = name;
        out.stream.open(name, std::ios::binary | std::ios::trunc);
    }
    if (!out.stream) return "cannot write " + shown_text(path) + ": " + std::strerror(errno);
    return "";
}

std::string commit_output(OutputFile& out) {
    out.stream.close();
    if (!out.stream) return "cannot write " + shown_text(out.path);
    if (!out.temp.empty() && std::rename(out.temp.c_str(), out.path.c_str()) != 0)
        return "cannot write " + shown_text(out.path) + ": " + std::strerror(errno);
    out.committed = true;
    return "";
}

}  // namespace rwsim
