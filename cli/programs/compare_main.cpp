// orvane-varnolt-compare: the comparison table of saved reports, in a terminal.
#include <iostream>
#include <string>
#include <vector>

#include "cli/report_comparison.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    try {
        return orvane::runReportComparison(arguments, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return orvane::kComparisonSomeFailed;
    }
}
