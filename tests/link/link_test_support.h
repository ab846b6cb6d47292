#pragma once

// The shared helpers under the path the window tests of the serial meter still include.
#include "../support/serial_device.h"
#include "../support/wait_for.h"

using dmm::test::pointLinkAt;
using dmm::test::writeAll;
