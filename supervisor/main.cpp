// relaywatch (looptime) (sleeptime) [debug]
#include <cstdio>

#include "supervisor/supervisor.h"

int main(int argc, char** argv) {
    // Log lines are flushed line by line, also into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return relaywatch_main(argc, argv);
}
