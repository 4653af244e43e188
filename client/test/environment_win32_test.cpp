// The shared substitute service stops once every test has run.
#include "client/test/clientfixture_win32.h"

namespace {
// Test programs may register their environment this way; the client itself has no such statics.
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new client::test::SharedServiceEnvironment);
}
