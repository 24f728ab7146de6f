#include "hostsim/hostsim.h"

int main(int argc, char** argv) {
    return hostsim::main(argc, argv);
}
