// kv90t-ctl: the receiver from the command line.

#include <iostream>

#include "ctl/ctl.h"

int main(int argc, char** argv) {
    return ctl::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
