// quality_cli make-history FILE [DAYS]   write a full history (default 5587 days, 1,000,073 lines)
// quality_cli check [FILE] [--json]      as kl8-export check
// quality_cli chart [FILE] --out F.svg   as kl8-export chart
#include <iostream>
#include <string>
#include <vector>

#include "bench/quality_history.h"
#include "quality/check_command.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: quality_cli make-history FILE [DAYS] | check ... | chart ...\n";
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "make-history" && !args.empty()) {
        const int days = args.size() > 1 ? std::stoi(args[1]) : kl8::bench::FULL_HISTORY_DAYS;
        return kl8::bench::write_history(args[0], days) ? 0 : 2;
    }
    const std::filesystem::path default_file = "record.txt";
    if (command == "check") return kl8::run_check_command(args, default_file, std::cout, std::cerr);
    if (command == "chart") return kl8::run_chart_command(args, default_file, std::cout, std::cerr);
    std::cerr << "unknown command " << command << "\n";
    return 2;
}
