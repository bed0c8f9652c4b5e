#pragma once

// What a libpqxx failure means to the hunt: the StoreError kind a user can
// act on, and whether the server is away (so that the cycle waits in the
// local queue) rather than refusing the work.

#include <exception>
#include <string>

#include "hunt/store.h"

namespace qorvex::hunt::postgres {

// The StoreError for the exception in flight; `where` names the database
// (without its password) and `doing` what was being done.
StoreError store_error(const std::exception& error, const std::string& where,
                       const std::string& doing);

// True for failures that end once the server is back: a lost or refused
// connection, a commit whose outcome was not heard, a server shutting down.
bool server_away(const std::exception& error);

// The URI as it may be shown: the password replaced by "***".
std::string without_password(const std::string& uri);

}  // namespace qorvex::hunt::postgres
