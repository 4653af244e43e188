// The pages of both ports that the client only shows or opens in a browser: the banner, news, notice
// and help pages of the content port and the account pages of the application port. The data file
// may replace any of them.
#pragma once

#include "core/string.h"

#include <string_view>

namespace sim::service {

// Page names are the last path segment ("news.htm", "user_self_new.php"); the account page of
// "/zirovadi/useradmin/" is "useradmin". Empty for a name that is no page.
core::String BuiltInPage(std::string_view name);

} // namespace sim::service
