// ports: the serial ports a meter can be read on now, and those it cannot, with why.
#include <cstdio>
#include <map>
#include <string>

#include "Commands.h"
#include "PortAccess.h"
#include "PortDescription.h"
#include "Ports.h"

int RunPortsCommand() {
  std::string list;
  // The name first, for scripts; after a tab what would tell a person which port is which.
  for (const std::string& port : PortDiscovery()) {
    const std::string description = PortDescription(port);
    list += port + (description.empty() ? "" : "\t" + description) + "\n";
  }
  // Devices this user may not open are left out; say so, with what would let them in.
  std::map<std::string, std::string> namesByProblem;
  for (const RefusedPort& refused : RefusedPorts()) {
    const std::string remedy = PortRemedy(refused.name);
    std::string& names = namesByProblem[refused.reason + (remedy.empty() ? "" : ": " + remedy)];
    names += (names.empty() ? "" : ", ") + refused.name;
  }
  for (const auto& [problem, names] : namesByProblem) {
    std::fprintf(stderr, "datapond-cli: you may not open %s: %s\n", names.c_str(), problem.c_str());
  }
  // Ports another program has locked are not for scripts either; a person is told who has them.
  for (const BusyPort& busy : BusyPorts()) {
    std::fprintf(stderr, "datapond-cli: %s is busy: %s\n", busy.name.c_str(), busy.reason.c_str());
  }
  return WriteOut(list, true);  // no-mutate(true): only the Windows console's writer reads it
}
