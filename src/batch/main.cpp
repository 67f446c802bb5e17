// kelvaro-batch: the frame pass without a window. See batch.h.
#include "batch.h"

int main(int argc, char** argv) {
    return batch_main(argc, argv);
}
