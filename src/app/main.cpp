#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

int main(int argc, char** argv) {
    fo::app::CommandLine commandLine;
    if (const auto status = commandLine.parse(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr))
        return *status;
    try {
        return commandLine.run();
    } catch (const std::exception& e) {
        std::cerr << "feeoffice: " << e.what() << '\n';
        return 1;
    }
}
