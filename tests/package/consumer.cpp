// Builds against the installed headers and library only.
#include <cstdio>
#include <string>

#include "ozm/ozm.hpp"

int main() {
    ozm::TComponent owner;
    auto* child = new ozm::TComponent(&owner);
    child->SetName("child");
    const std::string text = ozm::FormatFixed(3.14159, 8, 2);
    if (owner.ComponentCount() != 1 || text != "    3.14") {
        std::puts("package consumer: unexpected result");
        return 1;
    }
    std::printf("package consumer: ok (ozmnum %s)\n", OZM_VERSION_STRING);
    return 0;
}
