// "Merxa.Shop": what the service offers a shop's pages beyond the tier's classes, made in the
// service itself. SignIn USERID answers the web user's details from the membership directory
// (as the installation's site configuration opens it); OrderForm DOCUMENT answers the page the
// examples' style sheet makes of a basket document's XML. Neither takes a path from the caller.
#pragma once

#include <string>

namespace host::serve {

// Registers "Merxa.Shop" in this process; `configDir` is the installation's configuration.
void registerShop(const std::string& configDir);

}  // namespace host::serve
