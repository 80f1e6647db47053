// SPDX-License-Identifier: ISC
// relaywatch (looptime) (sleeptime) [debug]
#include "supervisor/supervisor.h"

int main(int argc, char** argv) {
    return relaywatch_main(argc, argv);
}
