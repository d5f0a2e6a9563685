// Lib_Sales: what the tier needs from outside the sales database, namely the membership user
// of a web user, the public address of the web site, and the properties and validity of a
// catalogue product.
//
// Per thread, the first Sls_CreateUserObject reads the site configuration of the
// installation once: the script account of the membership directory, the help-desk mail
// address and, when that call asks for it, the site address. Later calls on the thread
// reuse what the first one read (see Sls_CreateUserObject). Nothing is shared between threads.
#pragma once

#include <cstdint>
#include <string>

#include "platform/object.h"

namespace merxa {

using platform::ObjectPtr;
using platform::Variant;

// The membership user object ("CorvoMembership.User") of `userID`.
//
// The thread's first successful call reads "siteconfiguration.xml" of the installation,
// writes the help-desk address into `helpEmail` and, when `siteAddress` is given, caches
// Sls_getSiteName(). Later calls leave `helpEmail` as the caller passed it, and give
// `siteAddress` what the first call cached: empty when the first call did not ask for it.
// A failed first call caches nothing, so the next call reads the configuration again.
ObjectPtr Sls_CreateUserObject(const std::string& userID, std::string* siteAddress, std::string& helpEmail);

// The base address of the web application: "HTTP://" (SSLMODE none, in any letter case) or
// "HTTPS://", the host name, "/" and the application directory.
std::string Sls_getSiteName();

// One catalogue property of a product; Empty when the catalogue has no such property.
Variant GetProductProperty(int32_t productID, const std::string& propertyName);

// The least value of a property over the products of `productIDs` (an array), ignoring
// products where it is Null; Null when none has a value. Quotations take the earliest
// "PRODUCTEXPIRYDATE" of their lines this way.
Variant GetMinProductProperty(const Variant& productIDs, const std::string& propertyName);

// Whether the product may still be sold. When not, `errorKey` names the reason:
// "MerxaError_ProductDisabled" (checked first) or "MerxaError_ProductExpired" (its expiry
// date is before today; a product expiring today is still valid). Cleared otherwise.
bool ValidProduct(int32_t productID, std::string& errorKey);

}  // namespace merxa
