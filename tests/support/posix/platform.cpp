#include "support/platform.h"

namespace qorvex::test_support {

bool running_under_wine() {
    return false;
}

}  // namespace qorvex::test_support
