// tuskocpd: the polling session as a service, without windows.
#include <algorithm>
#include <string>
#include <vector>

#include "service/options.h"
#include "service/service_program.h"

int main(int argc, char** argv) {
    const std::string program = "tuskocpd";
    return service::runService(argc, argv,
                               std::vector<std::string>(argv + std::min(argc, 1), argv + argc),
                               {program, service::usage(program), "TuskoCP " TUSKO_VERSION});
}
