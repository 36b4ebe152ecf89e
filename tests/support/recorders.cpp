#include "recorders.h"

namespace testsupport {

TestServices::TestServices()
    : paths(dir.path()), services{network, dialogs, clock, paths, flow}
{
    network.setTimeoutMs(5000);
}

}  // namespace testsupport
